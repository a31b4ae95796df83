#include "core/personnel/PersonnelSend.h"

#include "core/base/Operator.h"
#include "core/device/DeviceControl.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/HeldViews.h"
#include "core/personnel/PersonnelTexts.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

SendOutcome sendToDevice(const ConnectionValues& device, RecordTable& personel,
                         std::string_view programFolder, DeviceControl& control, Operator& op) {
    SendOutcome outcome;
    if (connectDevice(control, device) != ConnectResult::Connected) {
        op.information(DeviceNotConnectedText);
        return outcome;
    }
    const int32_t machine = device.machineNumber;
    runWithDeviceInactiveClosingOnError(control, machine, [&] {
        // The grids keep their place while the send runs over the list and
        // show its last row afterwards.
        HeldViews held(personel);
        for (personel.first(); !personel.eof(); personel.next()) {
            if (personel.asInteger(field::Secim) != 1)
                continue;
            const int32_t user = personel.asInteger(field::PersonelNo);
            const int32_t privilege = personel.asInteger(field::Yetki);
            const int32_t password = personel.asInteger(field::Sifre);
            for (int32_t slot = 0; slot < FingerSlotCount; ++slot) {
                const std::optional<EnrollmentData> data =
                    readEnrollmentFile(programFolder, user, slot);
                if (!data)
                    continue;
                ++outcome.uploads;
                // A refused enrollment is not in the terminal: the send goes
                // on with the others and says which ones at the end.
                if (!control.UploadEnrollment(machine, user, machine, slot, privilege, *data,
                                              password))
                    outcome.refused.push_back({user, slot});
            }
        }
    });
    control.CloseLink();
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
