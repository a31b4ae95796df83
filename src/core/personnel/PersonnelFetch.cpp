#include "core/personnel/PersonnelFetch.h"

#include "core/base/AtomicBatchWrite.h"
#include "core/base/FileIo.h"
#include "core/base/Operator.h"
#include "core/device/DeviceControl.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/HeldViews.h"
#include "core/personnel/PersonnelTexts.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"
#include "core/tables/TDataModul.h"

#include <unordered_map>

namespace nakilon {

namespace {

// The row of the first personnel record of each PersonelNo, so that a copy of
// many enrollments does not search the whole list for each of them.
class PersonnelIndex {
public:
    explicit PersonnelIndex(const RecordTable& personel)
        : m_field(personel.fieldIndex(field::PersonelNo)) {
        m_rows.reserve(static_cast<size_t>(personel.rowCount()) * 2);
        for (int row = 0; row < personel.rowCount(); ++row) {
            // An empty PersonelNo equals no number.
            if (!personel.isNull(row, m_field))
                m_rows.emplace(personel.integerAt(row, m_field), row);
        }
    }
    int find(int32_t personelNo) const {
        const auto it = m_rows.find(personelNo);
        return it == m_rows.end() ? -1 : it->second;
    }
    void add(int32_t personelNo, int row) { m_rows.emplace(personelNo, row); }

private:
    int m_field;
    std::unordered_map<int32_t, int> m_rows;
};

} // namespace

void fetchFromDevice(const ConnectionValues& device, DeviceControl& control, Operator& op,
                     const std::function<void(int32_t machineNumber)>& showFetchDialog) {
    if (connectDevice(control, device) != ConnectResult::Connected) {
        op.information(DeviceNotConnectedText);
        return;
    }
    try {
        showFetchDialog(device.machineNumber);
    } catch (...) {
        control.CloseLink();
        throw;
    }
    control.CloseLink();
}

void readUserList(RecordTable& tampon, DeviceControl& control, int32_t machineNumber) {
    // The buffer is never stored and its record numbers are shown nowhere:
    // emptied in one step, not row by row.
    tampon.close();
    tampon.open();
    runWithDeviceInactiveClosingOnError(control, machineNumber, [&] {
        control.FetchUserIndex(machineNumber);
        int32_t user = 0, second = machineNumber, slot = 0, privilege = 0, enabled = 0;
        while (control.TakeUserIndexEntry(machineNumber, user, second, slot, privilege, enabled)) {
            tampon.append();
            tampon.setInteger(field::PersonelNo, user);
            tampon.setInteger(field::KartNo, 0);
            tampon.setInteger(field::Yetki, privilege);
            tampon.setInteger(field::IzinDurum, enabled);
            tampon.setInteger(field::BackupInt, slot);
            tampon.setInteger(field::Secim, 1);
            tampon.post();
        }
        tampon.refresh();
    });
}

std::string unreadEnrollmentsText(const std::vector<UnreadEnrollment>& unread, size_t listed) {
    std::string text = "Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara "
                       "kopyalanmadı:";
    text += enrollmentListText(unread, listed);
    return text;
}

CopyOutcome copySelectedPersonnel(RecordTable& tampon, RecordTable& personel,
                                  std::string_view programFolder, DeviceControl& control,
                                  int32_t machineNumber, Operator& op) {
    CopyOutcome outcome;
    // A cell still being edited in either grid counts as it stands.
    tampon.first();
    personel.refresh();
    runWithDeviceInactiveClosingOnError(control, machineNumber, [&] {
        const int tPersonelNo = tampon.fieldIndex(field::PersonelNo);
        const int tKartNo = tampon.fieldIndex(field::KartNo);
        const int tYetki = tampon.fieldIndex(field::Yetki);
        const int tIzinDurum = tampon.fieldIndex(field::IzinDurum);
        const int tSlot = tampon.fieldIndex(field::BackupInt);
        const int tSecim = tampon.fieldIndex(field::Secim);

        // The buffer rows read, with the password that came with each.
        std::vector<std::pair<int, int32_t>> copied;
        AtomicBatchWrite files;
        EnrollmentData data{};
        for (int row = 0; row < tampon.rowCount(); ++row) {
            if (tampon.integerAt(row, tSecim) != 1)
                continue;
            const int32_t user = tampon.integerAt(row, tPersonelNo);
            const int32_t slot = tampon.integerAt(row, tSlot);
            // A refused download must not leave the previous enrollment's
            // numbers behind for this one.
            data.fill(0);
            int32_t privilege = 0;
            int32_t password = 0;
            if (!control.DownloadEnrollment(machineNumber, user, machineNumber, slot, privilege,
                                            data, password)) {
                outcome.unread.push_back({user, slot});
                continue;
            }
            addEnrollmentFile(files, programFolder, user, slot, data);
            copied.emplace_back(row, password);
        }
        // Every file in place before a personnel row names it: a failed write
        // leaves the list in memory as it was, and no file half-written.
        commitEnrollmentFiles(files);
        outcome.copied = static_cast<int>(copied.size());
        {
            HeldViews held(personel);
            PersonnelIndex index(personel);
            for (const auto& [row, password] : copied) {
                const int32_t user = tampon.integerAt(row, tPersonelNo);
                const int found = index.find(user);
                if (found >= 0) {
                    personel.moveTo(found);
                    personel.edit();
                } else {
                    personel.append();
                    index.add(user, personel.currentRow());
                }
                personel.setInteger(field::PersonelNo, user);
                personel.setInteger(field::KartNo, tampon.integerAt(row, tKartNo));
                personel.setInteger(field::Yetki, tampon.integerAt(row, tYetki));
                personel.setInteger(field::IzinDurum, tampon.integerAt(row, tIzinDurum));
                // The password the terminal keeps for the user, so that a
                // later send gives it back instead of wiping it.
                personel.setInteger(field::Sifre, password);
                personel.setInteger(field::Secim, 1);
                personel.post();
            }
        }
        personel.saveToFile(programFile(programFolder, TDataModul::kPersonelFile));
        tampon.refresh();
    });
    if (!outcome.unread.empty())
        op.information(unreadEnrollmentsText(outcome.unread));
    return outcome;
}

} // namespace nakilon
