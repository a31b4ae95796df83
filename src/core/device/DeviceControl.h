#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace nakilon {

// One enrollment of a user in one slot: exactly 354 numbers that the program
// stores and forwards unchanged.
constexpr std::size_t EnrollmentSize = 354;
using EnrollmentData = std::array<int32_t, EnrollmentSize>;

// Dispatch identifiers of the terminal maker's access control `SBXPC`
// (interface `_DSBXPC`). The COM backend calls by these numbers; the emulator
// uses them as its message codes.
namespace dispid {
// Properties.
constexpr int32_t CommPort = 1;
constexpr int32_t Baudrate = 2;
constexpr int32_t ReadMark = 3;
// Methods.
constexpr int32_t DownloadEnrollment = 6;
constexpr int32_t UploadEnrollment = 8;
constexpr int32_t FetchLogBatch = 13;
constexpr int32_t TakeLogEntry = 14;
constexpr int32_t QueryDeviceCounter = 19;
constexpr int32_t SetDeviceActive = 22;
constexpr int32_t ReadDeviceClock = 24;
constexpr int32_t SyncDeviceClock = 25;
constexpr int32_t ChangeUserRole = 28;
constexpr int32_t FetchUserIndex = 29;
constexpr int32_t TakeUserIndexEntry = 30;
constexpr int32_t PurgeLogs = 36;
constexpr int32_t OpenSerialLink = 50;
constexpr int32_t OpenNetworkLink = 51;
constexpr int32_t CloseLink = 52;
// Event interface.
constexpr int32_t OnReceiveEventXML = 1;
} // namespace dispid

// Identity of the COM component.
constexpr const char* SbxpcClassId = "{2894E36D-6941-48E0-ABF9-0D38241884FB}";
constexpr const char* SbxpcInterfaceId = "{6C1D3CFC-712A-41B4-A53F-CC10F6412791}";
constexpr const char* SbxpcEventInterfaceId = "{9FF3A121-0E3D-4C35-A776-C9C766FB14BE}";

// Counter indexes of QueryDeviceCounter that the program uses.
constexpr int32_t CounterNewLogs = 6;
constexpr int32_t CounterAllLogs = 8;

// The device access control: one instance holds at most one open link to one
// terminal. Every operation blocks until the terminal answers. Out values are
// the caller's own variables.
//
// Rules every backend keeps, so that callers can rely on them:
// - Without an open link every operation but CloseLink returns false and
//   leaves every out value as it was.
// - What an open does while a link is open is the terminal's and the
//   component's rule; callers rely only on the new open's result (the clock
//   command leaves its link open for the next command to open again). The
//   emulated terminals let the old link go (its terminal sees the connection
//   end; no CloseLink is sent, since none was called), drop any loaded record
//   set or user list and open the new one. The COM backend hands the call to
//   the terminal maker's component as it is.
// - An operation with a machine number other than the linked terminal's
//   returns false and leaves every out value as it was.
// - A fetch loads the whole record set (or user list) into the control; the
//   take operations then read it locally, one entry per call, until they
//   return false. A new fetch replaces what was loaded.
// - A link that breaks, or a terminal that stops answering, raises
//   nakilon::Error with the text that the operator sees; the link is closed
//   afterwards.
// - An operation that the terminal (or the component) reports as failed
//   raises nakilon::Error too; the link stays as the component keeps it (the
//   emulated terminals keep it open), so the caller may still return the
//   terminal to use and close the link.
// - A terminal may also refuse an operation by answering false: it then does
//   nothing, leaves every out value as it was and keeps the link. The
//   terminal maker's component reports refusals only this way. What a false
//   answer means to the callers, operation by operation:
//   - SetDeviceActive, PurgeLogs, SyncDeviceClock, ChangeUserRole,
//     UploadEnrollment (asked to change the terminal) and DownloadEnrollment
//     (asked to hand out data that the PC then keeps): a failure, reported
//     with the operation and the terminal; never passed off as success.
//     SetDeviceActive 1 refused is said plainly ("cihaz kullanıma
//     açılamadı"); refused uploads, role changes and downloads are each
//     named, the others still done.
//   - ReadDeviceClock: the clock is shown as unread; after a setting, a clock
//     that does not read back is a failure.
//   - FetchLogBatch: false can mean "no records"; it is a failure only when
//     the counter has just announced records.
//   - FetchUserIndex: false can mean "no users"; nothing shows otherwise
//     (no counter of users is read), so it stays an empty list.
//   - QueryDeviceCounter: only sizes the progress and the space check; false
//     leaves the estimate at 0.
//   - The opens and the take operations: false is their answer (no link,
//     nothing left), as before.
class DeviceControl {
public:
    virtual ~DeviceControl() = default;

    // Property ReadMark: true, the fetch delivers only the records not yet
    // transferred and marks them transferred; false, every record held.
    virtual bool ReadMark() const = 0;
    virtual void SetReadMark(bool value) = 0;

    // `password` is the device's password as a number.
    virtual bool OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress, int32_t port,
                                 int32_t password) = 0;
    // `port` is the serial port number, 0 for a USB terminal.
    virtual bool OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) = 0;
    // Closes the link; does nothing when none is open. Never raises.
    virtual void CloseLink() = 0;

    // 0 puts the terminal out of use for its own users, 1 returns it.
    virtual bool SetDeviceActive(int32_t machineNumber, int32_t flag) = 0;

    virtual bool FetchLogBatch(int32_t machineNumber) = 0;
    // With ReadMark the terminal marks the records it delivered as read. The
    // terminal maker's component does that inside FetchLogBatch. A backend
    // that can let the mark wait says so here and marks them only when
    // confirmLogBatch is called, which the transfer run does once it has
    // stored them: a crash or a full disk in between then leaves them unread
    // in the terminal instead of lost. A new fetch, CloseLink or a broken link
    // drops a mark that was not confirmed.
    virtual bool marksLogsOnConfirm() const { return false; }
    virtual void confirmLogBatch(int32_t machineNumber) { (void)machineNumber; }
    // The ten values of the next loaded record; `mode` holds the verify method
    // in its low byte and the in/out state in the byte above it.
    virtual bool TakeLogEntry(int32_t machineNumber, int32_t& terminalMachineNumber,
                              int32_t& personnelNumber, int32_t& entryMachineNumber, int32_t& mode,
                              int32_t& year, int32_t& month, int32_t& day, int32_t& hour,
                              int32_t& minute, int32_t& second) = 0;
    // CounterNewLogs or CounterAllLogs: the number of records the next fetch
    // delivers with ReadMark true or false.
    virtual bool QueryDeviceCounter(int32_t machineNumber, int32_t index, int32_t& value) = 0;

    // The user list, one entry per user and enrollment slot.
    virtual bool FetchUserIndex(int32_t machineNumber) = 0;
    virtual bool TakeUserIndexEntry(int32_t machineNumber, int32_t& userNumber,
                                    int32_t& secondMachineNumber, int32_t& slot, int32_t& privilege,
                                    int32_t& enabled) = 0;

    // On false `data` keeps what it held.
    virtual bool DownloadEnrollment(int32_t machineNumber, int32_t userNumber,
                                    int32_t secondMachineNumber, int32_t slot, int32_t& privilege,
                                    EnrollmentData& data, int32_t& password) = 0;
    // Creates or replaces that enrollment of the user.
    virtual bool UploadEnrollment(int32_t machineNumber, int32_t userNumber,
                                  int32_t secondMachineNumber, int32_t slot, int32_t privilege,
                                  const EnrollmentData& data, int32_t password) = 0;

    // `weekday` is 1 Monday to 7 Sunday.
    virtual bool ReadDeviceClock(int32_t machineNumber, int32_t& year, int32_t& month, int32_t& day,
                                 int32_t& hour, int32_t& minute, int32_t& second,
                                 int32_t& weekday) = 0;
    // Sets the terminal's clock to the computer's current date and time.
    virtual bool SyncDeviceClock(int32_t machineNumber) = 0;

    virtual bool ChangeUserRole(int32_t machineNumber, int32_t userNumber,
                                int32_t secondMachineNumber, int32_t slot, int32_t privilege) = 0;
    // Deletes every attendance record held in the terminal.
    virtual bool PurgeLogs(int32_t machineNumber) = 0;
};

} // namespace nakilon
