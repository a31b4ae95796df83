#include "com/ComDeviceControl.h"

#include "com/ComVariant.h"
#include "com/ControlHost.h"
#include "com/DispatchObject.h"
#include "core/base/Error.h"
#include "core/base/Text.h"

#include <deque>
#include <vector>

namespace nakilon {

namespace {

// The arguments of one call in the order of the method's parameters. Out
// values live here during the call and reach the caller's variables only when
// the call answered true.
class Arguments {
public:
    void number(int32_t value) {
        VARIANTARG& a = add();
        a.vt = VT_I4;
        a.lVal = value;
    }
    void out(int32_t& target) {
        m_slots.push_back({&target, target});
        VARIANTARG& a = add();
        a.vt = VT_BYREF | VT_I4;
        a.plVal = &m_slots.back().value;
    }
    void text(BSTR* text) {
        VARIANTARG& a = add();
        a.vt = VT_BYREF | VT_BSTR;
        a.pbstrVal = text;
    }
    void variant(VARIANT* value) {
        VARIANTARG& a = add();
        a.vt = VT_BYREF | VT_VARIANT;
        a.pvarVal = value;
    }

    // The call's answer; the out values stay here.
    bool invoke(com::DispatchObject& object, const char* name, int32_t dispid) {
        com::Variant result;
        object.call(name, dispid, m_list.data(), m_list.size(), result.get());
        return com::truthOf(*result.get());
    }
    void commit() {
        for (const Slot& slot : m_slots)
            *slot.target = static_cast<int32_t>(slot.value);
    }
    bool call(com::DispatchObject& object, const char* name, int32_t dispid) {
        const bool answer = invoke(object, name, dispid);
        if (answer)
            commit();
        return answer;
    }

private:
    VARIANTARG& add() {
        VARIANTARG& a = m_list.emplace_back();
        VariantInit(&a);
        return a;
    }

    struct Slot {
        int32_t* target;
        LONG value;
    };
    std::deque<Slot> m_slots; // stable addresses for VT_BYREF
    std::vector<VARIANTARG> m_list;
};

} // namespace

ComDeviceControl::ComDeviceControl(std::string classId) : m_classId(std::move(classId)) {}

ComDeviceControl::~ComDeviceControl() = default;

com::DispatchObject& ComDeviceControl::component() const {
    if (!m_component)
        m_component = std::make_unique<com::ControlHost>(m_classId);
    return m_component->object();
}

bool ComDeviceControl::callNumbers(const char* name, int32_t dispid,
                                   std::initializer_list<int32_t> numbers) {
    Arguments arguments;
    for (int32_t number : numbers)
        arguments.number(number);
    return arguments.call(component(), name, dispid);
}

bool ComDeviceControl::ReadMark() const {
    com::Variant value;
    component().getProperty("ReadMark", dispid::ReadMark, value.get());
    return com::truthOf(*value.get());
}

void ComDeviceControl::SetReadMark(bool value) {
    VARIANTARG flag;
    VariantInit(&flag);
    flag.vt = VT_BOOL;
    flag.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    component().putProperty("ReadMark", dispid::ReadMark, flag);
}

bool ComDeviceControl::OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress,
                                       int32_t port, int32_t password) {
    // The component may replace the text it was lent; that is ignored.
    com::Bstr address(com::wideFromCp1254(ipAddress));
    Arguments arguments;
    arguments.number(machineNumber);
    arguments.text(address.address());
    arguments.number(port);
    arguments.number(password);
    return arguments.call(component(), "OpenNetworkLink", dispid::OpenNetworkLink);
}

bool ComDeviceControl::OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) {
    return callNumbers("OpenSerialLink", dispid::OpenSerialLink, {machineNumber, port, baudRate});
}

void ComDeviceControl::CloseLink() {
    // Nothing can be open before the component exists.
    if (!m_component)
        return;
    try {
        Arguments arguments;
        arguments.call(m_component->object(), "CloseLink", dispid::CloseLink);
    } catch (const Error&) {
        // Closing is also done when no link may be open; a refusal changes nothing.
    }
}

bool ComDeviceControl::SetDeviceActive(int32_t machineNumber, int32_t flag) {
    return callNumbers("SetDeviceActive", dispid::SetDeviceActive, {machineNumber, flag});
}

bool ComDeviceControl::FetchLogBatch(int32_t machineNumber) {
    return callNumbers("FetchLogBatch", dispid::FetchLogBatch, {machineNumber});
}

bool ComDeviceControl::TakeLogEntry(int32_t machineNumber, int32_t& terminalMachineNumber,
                                    int32_t& personnelNumber, int32_t& entryMachineNumber,
                                    int32_t& mode, int32_t& year, int32_t& month, int32_t& day,
                                    int32_t& hour, int32_t& minute, int32_t& second) {
    Arguments arguments;
    arguments.number(machineNumber);
    for (int32_t* value : {&terminalMachineNumber, &personnelNumber, &entryMachineNumber, &mode,
                           &year, &month, &day, &hour, &minute, &second})
        arguments.out(*value);
    return arguments.call(component(), "TakeLogEntry", dispid::TakeLogEntry);
}

bool ComDeviceControl::QueryDeviceCounter(int32_t machineNumber, int32_t index, int32_t& value) {
    Arguments arguments;
    arguments.number(machineNumber);
    arguments.number(index);
    arguments.out(value);
    return arguments.call(component(), "QueryDeviceCounter", dispid::QueryDeviceCounter);
}

bool ComDeviceControl::FetchUserIndex(int32_t machineNumber) {
    return callNumbers("FetchUserIndex", dispid::FetchUserIndex, {machineNumber});
}

bool ComDeviceControl::TakeUserIndexEntry(int32_t machineNumber, int32_t& userNumber,
                                          int32_t& secondMachineNumber, int32_t& slot,
                                          int32_t& privilege, int32_t& enabled) {
    Arguments arguments;
    arguments.number(machineNumber);
    for (int32_t* value : {&userNumber, &secondMachineNumber, &slot, &privilege, &enabled})
        arguments.out(*value);
    return arguments.call(component(), "TakeUserIndexEntry", dispid::TakeUserIndexEntry);
}

bool ComDeviceControl::DownloadEnrollment(int32_t machineNumber, int32_t userNumber,
                                          int32_t secondMachineNumber, int32_t slot,
                                          int32_t& privilege, EnrollmentData& data,
                                          int32_t& password) {
    com::Variant array;
    array->vt = VT_ARRAY | VT_I4;
    array->parray = com::makeEnrollmentArray(data);
    Arguments arguments;
    arguments.number(machineNumber);
    arguments.number(userNumber);
    arguments.number(secondMachineNumber);
    arguments.number(slot);
    arguments.out(privilege);
    arguments.variant(array.get());
    arguments.out(password);
    if (!arguments.invoke(component(), "DownloadEnrollment", dispid::DownloadEnrollment))
        return false;
    // An array of another size or kind is no enrollment: a failed download,
    // as if the component had answered false (nothing reaches the caller, no
    // file is written), never data padded or cut to size.
    const std::optional<EnrollmentData> received = com::readEnrollmentArray(*array.get());
    if (!received)
        return false;
    arguments.commit();
    data = *received;
    return true;
}

bool ComDeviceControl::UploadEnrollment(int32_t machineNumber, int32_t userNumber,
                                        int32_t secondMachineNumber, int32_t slot,
                                        int32_t privilege, const EnrollmentData& data,
                                        int32_t password) {
    com::Variant array;
    array->vt = VT_ARRAY | VT_I4;
    array->parray = com::makeEnrollmentArray(data);
    Arguments arguments;
    arguments.number(machineNumber);
    arguments.number(userNumber);
    arguments.number(secondMachineNumber);
    arguments.number(slot);
    arguments.number(privilege);
    arguments.variant(array.get());
    arguments.number(password);
    return arguments.call(component(), "UploadEnrollment", dispid::UploadEnrollment);
}

bool ComDeviceControl::ReadDeviceClock(int32_t machineNumber, int32_t& year, int32_t& month,
                                       int32_t& day, int32_t& hour, int32_t& minute,
                                       int32_t& second, int32_t& weekday) {
    Arguments arguments;
    arguments.number(machineNumber);
    for (int32_t* value : {&year, &month, &day, &hour, &minute, &second, &weekday})
        arguments.out(*value);
    return arguments.call(component(), "ReadDeviceClock", dispid::ReadDeviceClock);
}

bool ComDeviceControl::SyncDeviceClock(int32_t machineNumber) {
    return callNumbers("SyncDeviceClock", dispid::SyncDeviceClock, {machineNumber});
}

bool ComDeviceControl::ChangeUserRole(int32_t machineNumber, int32_t userNumber,
                                      int32_t secondMachineNumber, int32_t slot,
                                      int32_t privilege) {
    return callNumbers("ChangeUserRole", dispid::ChangeUserRole,
                       {machineNumber, userNumber, secondMachineNumber, slot, privilege});
}

bool ComDeviceControl::PurgeLogs(int32_t machineNumber) {
    return callNumbers("PurgeLogs", dispid::PurgeLogs, {machineNumber});
}

} // namespace nakilon
