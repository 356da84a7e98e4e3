#include "editor/gui/parameter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <utility>

#include "ui/artwork.h"
#include "ui/form_controls.h"

namespace rv720 {

namespace {

constexpr int kPageWidth = 228;
constexpr int kEntryWidth = 100;

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The caption label standing beside a control, from the editor's table.
QString captionName(std::string_view control) {
    for (const LabelTarget& t : labelTargets())
        if (t.control == control) return qs(t.label);
    return {};
}

}  // namespace

TFParametrLiczbowy::TFParametrLiczbowy(QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("FParametrLiczbowy"),
                     .clientSize = {230, 162},
                     .caption = QString(),
                     .stayOnTop = true,
                     .draggable = true},
                    parent) {
    // The dialog has no caption of its own: its title is only the window text.
    FormCaption->hide();
    for (const PageInfo& info : allPages())
        buildPage(info);
    showFields(DialogFields{});
    for (int n = 1; n <= 9; ++n)
        wClick(n);  // all state boxes start disabled

    // Every change of a control reaches the dialog the form shows, if any.
    for (int f = 0; f < kTextFieldCount; ++f)
        connect(entry(TextField(f)), &QLineEdit::textChanged, this,
                [this, f](const QString& text) { pushText(TextField(f), text); });
    for (QCheckBox* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, this, &TFParametrLiczbowy::pushToDialog);
    for (QRadioButton* radio : mc_)
        connect(radio, &QRadioButton::toggled, this, &TFParametrLiczbowy::pushToDialog);
    connect(input, &QComboBox::currentIndexChanged, this, &TFParametrLiczbowy::pushToDialog);
    ShowPage(Page::p_vi, qs(pageInfo(Page::p_vi).title));
}

void TFParametrLiczbowy::buildPage(const PageInfo& info) {
    const std::size_t index = std::size_t(info.page);
    auto* box = new QGroupBox(this);
    box->setObjectName(qs(info.name));
    box->setGeometry(kPageLeft, kPageTop, kPageWidth, info.clientHeight - kPageTop - 1);
    box->setStyleSheet(QStringLiteral(
        "QGroupBox { background: #f5f7fa; border: 1px solid #9aa8b8; border-radius: 5px; }"));
    box->hide();
    pages_[index] = box;

    auto* heading = new QLabel(qs(info.heading), box);
    heading->setObjectName(qs(info.name) + QStringLiteral("_heading"));
    heading->setFont(artwork::labelFont(11, true));
    const int headingLines = int(heading->text().count(QLatin1Char('\n'))) + 1;
    heading->setGeometry(8, 4, kPageWidth - 16, 16 * headingLines + 2);
    headings_[index] = heading;

    const QFont font = artwork::labelFont(11);
    int y = 12 + 16 * headingLines;
    for (const PageControl& pageControl : info.controls) {
        const QString name = qs(pageControl.name);
        switch (pageControl.kind) {
            case PageControlKind::Entry: {
                auto* edit = new QLineEdit(box);
                edit->setObjectName(name);
                if (pageControl.maxLength > 0) edit->setMaxLength(pageControl.maxLength);
                edit->setGeometry(12, y, kEntryWidth, 22);
                auto* unit = new QLabel(qs(pageControl.text), box);
                unit->setObjectName(name + QStringLiteral("_unit"));
                unit->setFont(font);
                unit->setGeometry(12 + kEntryWidth + 6, y, kPageWidth - kEntryWidth - 24, 22);
                for (int f = 0; f < kTextFieldCount; ++f)
                    if (textFieldName(TextField(f)) == pageControl.name)
                        entries_[std::size_t(f)] = edit;
                connect(edit, &QLineEdit::textChanged, this,
                        [this, edit] { num_xdestChange(edit); });
                y += 28;
                break;
            }
            case PageControlKind::CheckBox:
            case PageControlKind::RadioButton: {
                QAbstractButton* button = nullptr;
                if (pageControl.kind == PageControlKind::CheckBox)
                    button = new QCheckBox(box);
                else
                    button = new QRadioButton(box);
                button->setObjectName(name);
                button->setGeometry(12, y + 1, 18, 18);
                auto* caption = new ToggleLabel(qs(pageControl.text), box);
                caption->setObjectName(captionName(pageControl.name));
                caption->setFont(font);
                caption->setGeometry(34, y, 96, 20);  // clear of the buttons at the right
                captions_.insert(button, caption);
                connect(caption, &ToggleLabel::clicked, button,
                        [button] { clickThroughLabel(button); });
                y += 24;
                break;
            }
            case PageControlKind::List: {
                auto* list = new QComboBox(box);
                list->setObjectName(name);
                list->addItems(qs(pageControl.text).split(QLatin1Char('\n')));
                list->setGeometry(12, y, kEntryWidth, 22);
                y += 28;
                break;
            }
            case PageControlKind::Label: {
                auto* label = new QLabel(qs(pageControl.text), box);
                label->setObjectName(name.isEmpty() ? qs(info.name) + QStringLiteral("_text")
                                                    : name);
                label->setFont(font);
                label->setGeometry(12, y, kPageWidth - 24, 20);
                y += 24;
                break;
            }
        }
    }

    const int buttonTop = box->height() - 38;
    const QString confirmName =
        qs(info.confirmHandler).chopped(int(std::string_view("Click").size()));
    auto* confirm = new PictureButton(QStringLiteral("confirm"), box);
    confirm->setObjectName(confirmName);
    confirm->setGeometry(kPageWidth - 92, buttonTop, 40, 32);
    confirm->setToolTip(qs(texts::kConfirmHint));
    confirm_[index] = confirm;
    auto* close = new PictureButton(QStringLiteral("window-close"), box);
    close->setObjectName(QStringLiteral("SpeedButton1"));
    close->setGeometry(kPageWidth - 48, buttonTop, 40, 32);
    close->setToolTip(qs(texts::kCloseHint));
    close_[index] = close;
    connect(close, &QAbstractButton::clicked, this, &TFParametrLiczbowy::SpeedButton1Click);

    switch (info.page) {
        case Page::p_out:
            layoutOutputs(box);
            break;
        case Page::p_ster:
            layoutDriver(box);
            break;
        case Page::p_usb:
            layoutCommunication(box);
            break;
        default:
            break;
    }

    auto find = [box](const char* name) { return box->findChild<QCheckBox*>(QLatin1String(name)); };
    switch (info.page) {
        case Page::p_en:
            enable = find("enable");
            break;
        case Page::p_usb:
            usb = find("usb");
            break;
        case Page::p_edit_out:
            wxo = find("wxo");
            input_number = box->findChild<QLabel*>(QStringLiteral("input_number"));
            connect(wxo, &QCheckBox::clicked, this, [this] { onOffClick(wxo); });
            break;
        case Page::p_ji:
            in_ch = find("in_ch");
            input = box->findChild<QComboBox*>(QStringLiteral("input"));
            connect(in_ch, &QCheckBox::clicked, this, [this] { onOffClick(in_ch); });
            break;
        case Page::p_ster:
            Left = find("Left");
            Right = find("Right");
            for (int n = 1; n <= 3; ++n)
                mc_[std::size_t(n - 1)] =
                    box->findChild<QRadioButton*>(QStringLiteral("m%1_c").arg(n));
            break;
        case Page::p_m:
            for (int n = 1; n <= 3; ++n)
                m_[std::size_t(n - 1)] = box->findChild<QCheckBox*>(QStringLiteral("m%1").arg(n));
            break;
        case Page::p_out:
            for (int n = 1; n <= 9; ++n) {
                QCheckBox* select = box->findChild<QCheckBox*>(QStringLiteral("w%1").arg(n));
                QCheckBox* state = box->findChild<QCheckBox*>(QStringLiteral("w%1o").arg(n));
                w_[std::size_t(n - 1)] = select;
                wo_[std::size_t(n - 1)] = state;
                connect(select, &QCheckBox::clicked, this, [this, n] { wClick(n); });
                connect(state, &QCheckBox::clicked, this, [this, state] { onOffClick(state); });
            }
            break;
        default:
            break;
    }
}

// Nine rows "Output 1" ... "Relay 2": select box and caption, then the state box
// and its "On"/"Off" caption on the same row.
void TFParametrLiczbowy::layoutOutputs(QGroupBox* box) {
    for (int n = 1; n <= 9; ++n) {
        const int y = 24 + (n - 1) * 19;
        auto* select = box->findChild<QCheckBox*>(QStringLiteral("w%1").arg(n));
        auto* state = box->findChild<QCheckBox*>(QStringLiteral("w%1o").arg(n));
        select->setGeometry(12, y, 18, 18);
        captions_.value(select)->setGeometry(34, y, 74, 18);
        state->setGeometry(112, y, 18, 18);
        captions_.value(state)->setGeometry(134, y, 40, 18);
    }
}

// Two entries on the left, the sensors below them, the motor choice on the right.
void TFParametrLiczbowy::layoutDriver(QGroupBox* box) {
    const int entryWidth = 44;
    int y = 26;
    for (const char* name : {"num_step", "num_mot"}) {
        box->findChild<QLineEdit*>(QLatin1String(name))->setGeometry(12, y, entryWidth, 22);
        box->findChild<QLabel*>(QLatin1String(name) + QStringLiteral("_unit"))
            ->setGeometry(12 + entryWidth + 4, y, 78, 22);
        y += 26;
    }
    y = 80;
    for (const char* name : {"Left", "Right"}) {
        auto* sensor = box->findChild<QCheckBox*>(QLatin1String(name));
        sensor->setGeometry(12, y + 1, 18, 18);
        captions_.value(sensor)->setGeometry(34, y, 96, 20);
        y += 20;
    }
    for (int n = 1; n <= 3; ++n) {
        auto* radio = box->findChild<QRadioButton*>(QStringLiteral("m%1_c").arg(n));
        const int top = 26 + (n - 1) * 20;
        radio->setGeometry(146, top + 1, 18, 18);
        captions_.value(radio)->setGeometry(166, top, 58, 20);
    }
}

// "Communication", then the box and its "On".
void TFParametrLiczbowy::layoutCommunication(QGroupBox* box) {
    const int y = 30;
    box->findChild<QLabel*>(QStringLiteral("p_usb_text"))->setGeometry(12, y, 106, 20);
    auto* usbBox = box->findChild<QCheckBox*>(QStringLiteral("usb"));
    usbBox->setGeometry(122, y + 1, 18, 18);
    captions_.value(usbBox)->setGeometry(144, y, 60, 20);
}

ToggleLabel* TFParametrLiczbowy::captionOf(const QWidget* control) const {
    return captions_.value(control, nullptr);
}

void TFParametrLiczbowy::ShowPage(Page p, const QString& title, bool radioButtons) {
    const PageInfo& info = pageInfo(p);
    setFixedSize(info.clientWidth, info.clientHeight);
    for (QGroupBox* box : pages_)
        box->hide();
    QGroupBox* shown = page(p);
    shown->move(kPageLeft, kPageTop);
    shown->show();
    current_ = p;
    setWindowTitle(title);
    for (QRadioButton* radio : mc_) {
        radio->setVisible(radioButtons);
        captionOf(radio)->setVisible(radioButtons);
    }
}

void TFParametrLiczbowy::showDialog(ParameterDialog& dialog) {
    dialog_ = &dialog;
    showDialog(std::as_const(dialog));
}

void TFParametrLiczbowy::showDialog(const ParameterDialog& dialog) {
    const QScopedValueRollback<int> guard(showing_, showing_ + 1);
    ShowPage(dialog.page(), QString::fromStdString(dialog.title()), dialog.radioButtonsShown());
    setFixedSize(dialog.clientWidth(), dialog.clientHeight());
    showFields(dialog.fields());
    // After the texts: putting a text into a box clears its colour.
    for (int f = 0; f < kTextFieldCount; ++f)
        setErrorColour(entry(TextField(f)), dialog.hasErrorColour(TextField(f)));
    setVisible(dialog.visible());
}

void TFParametrLiczbowy::setBoxState(QCheckBox* box, bool on) {
    if (box->isChecked() == on) return;
    // A changed state counts as a click, so the box's own handler runs.
    box->setChecked(on);
    emit box->clicked(on);
}

void TFParametrLiczbowy::showFields(const DialogFields& fields) {
    const QScopedValueRollback<int> guard(showing_, showing_ + 1);
    for (int f = 0; f < kTextFieldCount; ++f) {
        QLineEdit* box = entry(TextField(f));
        const QString text = QString::fromStdString(fields.text(TextField(f)));
        if (box->text() != text) box->setText(text);
    }
    setBoxState(enable, fields.enable);
    setBoxState(usb, fields.usb);
    setBoxState(wxo, fields.wxo);
    setBoxState(in_ch, fields.in_ch);
    setBoxState(Left, fields.Left);
    setBoxState(Right, fields.Right);
    for (int n = 1; n <= 9; ++n) {
        setBoxState(w(n), fields.w[std::size_t(n - 1)]);
        setBoxState(wo(n), fields.wo[std::size_t(n - 1)]);
    }
    for (int n = 1; n <= 3; ++n) {
        setBoxState(m(n), fields.m[std::size_t(n - 1)]);
        // Radio buttons: only a chosen one is set; choosing it unchooses the others.
        if (fields.motorRadio[std::size_t(n - 1)]) mc(n)->setChecked(true);
    }
    input->setCurrentIndex(qBound(0, fields.input, input->count() - 1));
    input_number->setText(QString::fromStdString(fields.input_number));
}

void TFParametrLiczbowy::readFields(DialogFields& fields) const {
    for (int f = 0; f < kTextFieldCount; ++f)
        fields.text(TextField(f)) = entry(TextField(f))->text().toStdString();
    fields.enable = enable->isChecked();
    fields.usb = usb->isChecked();
    fields.wxo = wxo->isChecked();
    fields.in_ch = in_ch->isChecked();
    fields.Left = Left->isChecked();
    fields.Right = Right->isChecked();
    for (int n = 1; n <= 9; ++n) {
        fields.w[std::size_t(n - 1)] = w(n)->isChecked();
        fields.wo[std::size_t(n - 1)] = wo(n)->isChecked();
    }
    for (int n = 1; n <= 3; ++n) {
        fields.m[std::size_t(n - 1)] = m(n)->isChecked();
        fields.motorRadio[std::size_t(n - 1)] = mc(n)->isChecked();
    }
    fields.input = input->currentIndex();
    fields.input_number = input_number->text().toStdString();
}

void TFParametrLiczbowy::attach(ParameterDialog& dialog) {
    dialog_ = &dialog;
    for (const PageInfo& info : allPages()) {
        const Page p = info.page;
        connect(confirmButton(p), &QAbstractButton::clicked, this, [this, p] {
            pushToDialog();
            dialog_->confirm(p);
        });
    }
    connect(this, &TFParametrLiczbowy::enterPressed, this, [this] {
        pushToDialog();
        dialog_->FormKeyPress('\r');
    });
    connect(this, &TFParametrLiczbowy::closedByOperator, this, [this] { dialog_->hide(); });
}

void TFParametrLiczbowy::pushToDialog() {
    if (dialog_ && !showing_) readFields(dialog_->fields());
}

void TFParametrLiczbowy::pushText(TextField field, const QString& text) {
    // setText also clears the dialog's error flag of the box.
    if (dialog_ && !showing_) dialog_->setText(field, text.toStdString());
}

void TFParametrLiczbowy::wClick(int n) {
    const bool on = w(n)->isChecked();
    wo(n)->setEnabled(on);
    captionOf(wo(n))->setEnabled(on);
}

void TFParametrLiczbowy::onOffClick(QCheckBox* box) {
    captionOf(box)->setText(qs(onOffCaption(box->isChecked())));
}

void TFParametrLiczbowy::num_xdestChange(QLineEdit* box) {
    setErrorColour(box, false);
}

bool TFParametrLiczbowy::FormKeyPress(int key) {
    if (key == 27) {
        SpeedButton1Click();
        return true;
    }
    if (key == 13) {
        emit enterPressed();
        return true;
    }
    return false;
}

void TFParametrLiczbowy::SpeedButton1Click() {
    hide();
    emit closedByOperator();
}

}  // namespace rv720
