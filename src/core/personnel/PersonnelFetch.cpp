#include "core/personnel/PersonnelFetch.h"

#include "core/base/FilePaths.h"
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
                     const std::function<void(int32_t machineNumber)>& showFetchDialog,
                     const std::function<void(const std::function<void()>& work)>& onDeviceThread) {
    const auto onDevice = [&](const std::function<void()>& work) {
        if (onDeviceThread)
            onDeviceThread(work);
        else
            work();
    };
    ConnectResult connected = ConnectResult::Failed;
    onDevice([&] { connected = connectDevice(control, device); });
    if (connected != ConnectResult::Connected) {
        op.information(DeviceNotConnectedText);
        return;
    }
    try {
        showFetchDialog(device.machineNumber);
    } catch (...) {
        onDevice([&] { control.CloseLink(); });
        throw;
    }
    onDevice([&] { control.CloseLink(); });
}

std::vector<UserListEntry> fetchUserIndex(DeviceControl& control, int32_t machineNumber) {
    std::vector<UserListEntry> entries;
    runWithDeviceInactiveClosingOnError(control, machineNumber, [&] {
        control.FetchUserIndex(machineNumber);
        UserListEntry entry;
        int32_t second = machineNumber;
        while (control.TakeUserIndexEntry(machineNumber, entry.userNumber, second, entry.slot,
                                          entry.privilege, entry.enabled))
            entries.push_back(entry);
    });
    return entries;
}

void fillUserList(RecordTable& tampon, const std::vector<UserListEntry>& entries) {
    // The buffer is never stored and its record numbers are shown nowhere:
    // emptied in one step, not row by row.
    tampon.close();
    tampon.open();
    for (const UserListEntry& entry : entries) {
        tampon.append();
        tampon.setInteger(field::PersonelNo, entry.userNumber);
        tampon.setInteger(field::KartNo, 0);
        tampon.setInteger(field::Yetki, entry.privilege);
        tampon.setInteger(field::IzinDurum, entry.enabled);
        tampon.setInteger(field::BackupInt, entry.slot);
        tampon.setInteger(field::Secim, 1);
        tampon.post();
    }
    tampon.refresh();
}

void readUserList(RecordTable& tampon, DeviceControl& control, int32_t machineNumber) {
    // The list of an earlier showing goes also when the terminal fails.
    fillUserList(tampon, {});
    fillUserList(tampon, fetchUserIndex(control, machineNumber));
}

std::string unreadEnrollmentsText(const std::vector<UnreadEnrollment>& unread, size_t listed) {
    std::string text = "Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara "
                       "kopyalanmadı:";
    text += enrollmentListText(unread, listed);
    return text;
}

std::vector<EnrollmentToCopy> enrollmentsToCopy(RecordTable& tampon) {
    // A cell still being edited counts as it stands.
    tampon.first();
    const int tPersonelNo = tampon.fieldIndex(field::PersonelNo);
    const int tSlot = tampon.fieldIndex(field::BackupInt);
    const int tSecim = tampon.fieldIndex(field::Secim);
    std::vector<EnrollmentToCopy> wanted;
    for (int row = 0; row < tampon.rowCount(); ++row)
        if (tampon.integerAt(row, tSecim) == 1)
            wanted.push_back(
                {row, tampon.integerAt(row, tPersonelNo), tampon.integerAt(row, tSlot)});
    return wanted;
}

DownloadedEnrollments downloadEnrollments(const std::vector<EnrollmentToCopy>& wanted,
                                          std::string_view programFolder, DeviceControl& control,
                                          int32_t machineNumber) {
    DownloadedEnrollments downloaded;
    runWithDeviceInactiveClosingOnError(control, machineNumber, [&] {
        std::vector<EnrollmentSlot> slots;
        slots.reserve(wanted.size());
        for (const EnrollmentToCopy& one : wanted)
            slots.push_back({one.userNumber, one.slot});
        // The files are made and written on a helper thread while the next
        // enrollment is on its way from the terminal.
        EnrollmentFileGroup files(programFolder, slots);
        EnrollmentData data{};
        for (size_t i = 0; i < wanted.size(); ++i) {
            const EnrollmentToCopy& one = wanted[i];
            // A refused download must not leave the previous enrollment's
            // numbers behind for this one.
            data.fill(0);
            int32_t privilege = 0;
            int32_t password = 0;
            if (!control.DownloadEnrollment(machineNumber, one.userNumber, machineNumber, one.slot,
                                            privilege, data, password)) {
                downloaded.unread.push_back({one.userNumber, one.slot});
                files.skip(i);
                continue;
            }
            files.write(i, data);
            downloaded.copied.emplace_back(one.row, password);
        }
        // Every file in place before a personnel row names it: a failed write
        // leaves the list as it was, and no file half-written.
        files.commit();
    });
    return downloaded;
}

CopyOutcome addCopiedPersonnel(RecordTable& tampon, RecordTable& personel,
                               std::string_view programFolder,
                               const DownloadedEnrollments& downloaded) {
    CopyOutcome outcome;
    outcome.copied = static_cast<int>(downloaded.copied.size());
    outcome.unread = downloaded.unread;
    // A cell still being edited counts as it stands.
    personel.refresh();
    const int tPersonelNo = tampon.fieldIndex(field::PersonelNo);
    const int tKartNo = tampon.fieldIndex(field::KartNo);
    const int tYetki = tampon.fieldIndex(field::Yetki);
    const int tIzinDurum = tampon.fieldIndex(field::IzinDurum);
    {
        HeldViews held(personel);
        PersonnelIndex index(personel);
        for (const auto& [row, password] : downloaded.copied) {
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
            // The password the terminal keeps for the user, so that a later
            // send gives it back instead of wiping it.
            personel.setInteger(field::Sifre, password);
            personel.setInteger(field::Secim, 1);
            personel.post();
        }
    }
    personel.saveToFile(programFile(programFolder, TDataModul::personelFile()));
    tampon.refresh();
    return outcome;
}

CopyOutcome copySelectedPersonnel(RecordTable& tampon, RecordTable& personel,
                                  std::string_view programFolder, DeviceControl& control,
                                  int32_t machineNumber, Operator& op) {
    const std::vector<EnrollmentToCopy> wanted = enrollmentsToCopy(tampon);
    const DownloadedEnrollments downloaded =
        downloadEnrollments(wanted, programFolder, control, machineNumber);
    CopyOutcome outcome;
    try {
        outcome = addCopiedPersonnel(tampon, personel, programFolder, downloaded);
    } catch (...) {
        // A personnel list that could not be saved ends the copy like any
        // other failed write.
        try {
            control.CloseLink();
        } catch (...) {
        }
        throw;
    }
    if (!outcome.unread.empty())
        op.information(unreadEnrollmentsText(outcome.unread));
    return outcome;
}

} // namespace nakilon
