#include "core/personnel/PersonnelSend.h"

#include "core/base/Operator.h"
#include "core/device/DeviceControl.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/HeldViews.h"
#include "core/personnel/PersonnelTexts.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

std::vector<PersonnelToSend> personnelToSend(RecordTable& personel) {
    std::vector<PersonnelToSend> people;
    // The grids keep their place while the list is walked and show its last
    // row afterwards.
    HeldViews held(personel);
    for (personel.first(); !personel.eof(); personel.next()) {
        if (personel.asInteger(field::Secim) != 1)
            continue;
        people.push_back({personel.asInteger(field::PersonelNo), personel.asInteger(field::Yetki),
                          personel.asInteger(field::Sifre)});
    }
    return people;
}

SendOutcome sendEnrollments(const ConnectionValues& device,
                            const std::vector<PersonnelToSend>& people,
                            std::string_view programFolder, DeviceControl& control, Operator& op) {
    SendOutcome outcome;
    if (connectDevice(control, device) != ConnectResult::Connected) {
        op.information(DeviceNotConnectedText);
        return outcome;
    }
    const int32_t machine = device.machineNumber;
    runWithDeviceInactiveClosingOnError(control, machine, [&] {
        std::vector<EnrollmentSlot> slots;
        slots.reserve(people.size() * FingerSlotCount);
        for (const PersonnelToSend& person : people)
            for (int32_t slot = 0; slot < FingerSlotCount; ++slot)
                slots.push_back({person.userNumber, slot});
        EnrollmentFileReader files(programFolder, std::move(slots));
        while (const std::optional<EnrollmentFileReader::Found> file = files.next()) {
            const PersonnelToSend& person = people[file->index / FingerSlotCount];
            const auto slot = static_cast<int32_t>(file->index % FingerSlotCount);
            ++outcome.uploads;
            // A refused enrollment is not in the terminal: the send goes on
            // with the others and says which ones at the end.
            if (!control.UploadEnrollment(machine, person.userNumber, machine, slot,
                                          person.privilege, file->data, person.password))
                outcome.refused.push_back({person.userNumber, slot});
        }
    });
    control.CloseLink();
    return outcome;
}

SendOutcome sendToDevice(const ConnectionValues& device, RecordTable& personel,
                         std::string_view programFolder, DeviceControl& control, Operator& op) {
    const std::vector<PersonnelToSend> people = personnelToSend(personel);
    const SendOutcome outcome = sendEnrollments(device, people, programFolder, control, op);
    if (!outcome.refused.empty())
        op.information(refusedUploadsText(outcome.refused, outcome.uploads));
    return outcome;
}

std::string refusedUploadsText(const std::vector<EnrollmentSlot>& refused, int uploads,
                               size_t listed) {
    std::string text = "Cihaz, " + std::to_string(uploads) + " parmak izi kaydından " +
                       std::to_string(refused.size()) +
                       " tanesini kabul etmedi; bunlar cihaza yazılmadı:";
    text += enrollmentListText(refused, listed);
    return text;
}

} // namespace nakilon
