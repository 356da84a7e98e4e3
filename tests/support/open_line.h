#pragma once
// An in-memory converter for tests, fuzz targets and benchmarks: one device that
// lists, opens, takes every setting and closes at once. What moves over the line
// (getStatus, read, write) is the subclass's.
#include "protocol/ftdi_api.h"

namespace rv720 {

class OpenLine : public FtdiApi {
  public:
    FtStatus createDeviceInfoList(std::uint32_t& count) override {
        count = 1;
        return ft::Ok;
    }
    FtStatus getDeviceInfoDetail(std::uint32_t, FtDeviceInfo&) override { return ft::Ok; }
    FtStatus openEx(const std::string&, std::uint32_t, FtHandle& handle) override {
        handle = 1;
        return ft::Ok;
    }
    FtStatus setBaudRate(FtHandle, std::uint32_t) override { return ft::Ok; }
    FtStatus setDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
        return ft::Ok;
    }
    FtStatus setFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return ft::Ok;
    }
    FtStatus purge(FtHandle, std::uint32_t) override { return ft::Ok; }
    FtStatus close(FtHandle) override { return ft::Ok; }
};

}  // namespace rv720
