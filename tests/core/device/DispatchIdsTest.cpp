#include "core/device/DeviceControl.h"

#include <gtest/gtest.h>

#include <string>

namespace nakilon {
namespace {

// The terminal maker's component is called by these numbers, and the COM
// backend and the stand-in component take them from the same constants: a
// wrong constant would pass every other test and fail in the office.
TEST(DispatchIds, AreTheComponentsOwnNumbers) {
    EXPECT_EQ(dispid::CommPort, 1);
    EXPECT_EQ(dispid::Baudrate, 2);
    EXPECT_EQ(dispid::ReadMark, 3);
    EXPECT_EQ(dispid::DownloadEnrollment, 6);
    EXPECT_EQ(dispid::UploadEnrollment, 8);
    EXPECT_EQ(dispid::FetchLogBatch, 13);
    EXPECT_EQ(dispid::TakeLogEntry, 14);
    EXPECT_EQ(dispid::QueryDeviceCounter, 19);
    EXPECT_EQ(dispid::SetDeviceActive, 22);
    EXPECT_EQ(dispid::ReadDeviceClock, 24);
    EXPECT_EQ(dispid::SyncDeviceClock, 25);
    EXPECT_EQ(dispid::ChangeUserRole, 28);
    EXPECT_EQ(dispid::FetchUserIndex, 29);
    EXPECT_EQ(dispid::TakeUserIndexEntry, 30);
    EXPECT_EQ(dispid::PurgeLogs, 36);
    EXPECT_EQ(dispid::OpenSerialLink, 50);
    EXPECT_EQ(dispid::OpenNetworkLink, 51);
    EXPECT_EQ(dispid::CloseLink, 52);
    EXPECT_EQ(dispid::OnReceiveEventXML, 1);
    EXPECT_EQ(CounterNewLogs, 6);
    EXPECT_EQ(CounterAllLogs, 8);

    EXPECT_EQ(std::string(SbxpcClassId), "{2894E36D-6941-48E0-ABF9-0D38241884FB}");
    EXPECT_EQ(std::string(SbxpcInterfaceId), "{6C1D3CFC-712A-41B4-A53F-CC10F6412791}");
    EXPECT_EQ(std::string(SbxpcEventInterfaceId), "{9FF3A121-0E3D-4C35-A776-C9C766FB14BE}");
}

} // namespace
} // namespace nakilon
