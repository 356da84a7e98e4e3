#include "app/station_core.h"

#include "device/device_sessions.h"

namespace rv720 {

namespace {

// The driver of a station started without a device: the list is empty, so
// Connect reports that no converter was found.
class NoDevice final : public FtdiApi {
  public:
    FtStatus createDeviceInfoList(std::uint32_t& count) override {
        count = 0;
        return ft::Ok;
    }
    FtStatus getDeviceInfoDetail(std::uint32_t, FtDeviceInfo&) override {
        return ft::DeviceNotFound;
    }
    FtStatus openEx(const std::string&, std::uint32_t, FtHandle&) override {
        return ft::DeviceNotFound;
    }
    FtStatus setBaudRate(FtHandle, std::uint32_t) override { return ft::InvalidHandle; }
    FtStatus setDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
        return ft::InvalidHandle;
    }
    FtStatus setFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return ft::InvalidHandle;
    }
    FtStatus purge(FtHandle, std::uint32_t) override { return ft::InvalidHandle; }
    FtStatus getStatus(FtHandle, std::uint32_t&, std::uint32_t&, std::uint32_t&) override {
        return ft::InvalidHandle;
    }
    FtStatus read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t& got) override {
        got = 0;
        return ft::InvalidHandle;
    }
    FtStatus write(FtHandle, const std::uint8_t*, std::uint32_t, std::uint32_t& written) override {
        written = 0;
        return ft::InvalidHandle;
    }
    FtStatus close(FtHandle) override { return ft::InvalidHandle; }
};

// The editor's host where nothing shows the program: questions are answered No,
// so nothing is deleted or renumbered on the strength of a question.
class QuietEditorHost final : public EditorHost {
  public:
    void addStatusLine(const std::string&) override {}
    void printProgram() override {}
    void selectLine(int) override {}
    void updateMotorLabels() override {}
    void refreshInputBreakControls() override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    MotorFlags motorBoxes() const override { return {}; }
    void parameterDialogChanged() override {}
};

}  // namespace

StationCore::StationCore(FtdiApi* ftdi, TimerFactory& timers, Clock& clock, StationViews views)
    : clock_(clock),
      noDevice_(ftdi ? nullptr : std::make_unique<NoDevice>()),
      quietHost_(views.editor ? nullptr : std::make_unique<QuietEditorHost>()),
      host_(views.editor ? *views.editor : *quietHost_),
      timers_(firstTimers(timers)),
      parameterDialog_(model_, host_, clock),
      editor_(model_, parameterDialog_, host_, timers),
      device_(ftdi ? *ftdi : *noDevice_, lastTimers(std::move(timers_), timers),
              timers.createWaker(), clock, model_, views.main, views.transfer, views.monitor) {}

StationCore::~StationCore() = default;

DeviceTimers StationCore::firstTimers(TimerFactory& timers) {
    DeviceTimers made;
    made.timeout = timers.create(kReplyTimeoutMs);
    made.usb = timers.create(kUsbPollMs);
    made.transfer = timers.create(kTransferTickMs);
    return made;
}

DeviceTimers StationCore::lastTimers(DeviceTimers made, TimerFactory& timers) {
    made.motorView = timers.create(kMonitorPollMs);
    made.inputView = timers.create(kMonitorPollMs);
    return made;
}

CompileReport StationCore::WriteProgramButtonClick() {
    StationPresenter& presenter = device_.presenter();
    presenter.beginCompilation(model_.length());
    CompileReport report =
        compileProgram(model_.image, clock_.shortDate(), clock_.longTime(),
                       [&presenter](int scanned) { presenter.compilationProgress(scanned); });
    presenter.showCompilation(report.lines, report.writeAllowed);
    return report;
}

}  // namespace rv720
