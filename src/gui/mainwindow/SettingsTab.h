#pragma once

#include <QDate>
#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class SettingsTab;
}

namespace nakilon {

struct ProgramValues;

// The tab "Ayarlar": the output file name with "Kaydet" and "Değiştir", the
// backup mode with its date range for the transfer run, the hidden
// KayitSilbox and the button of the personnel list.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    SettingsTab(ProgramValues& values, QWidget* parent = nullptr);
    ~SettingsTab() override;

    // The transfer run's options, read when it starts.
    bool backupMode() const;
    std::optional<QDate> fromDate() const; // "Tarihinden"; nullopt when empty
    std::optional<QDate> toDate() const;   // "Tarihine"

    // Start-up: fill without the edit counting as the operator's.
    void showOutputFileName(const QString& name);
    bool kayitSilChecked() const;
    void setKayitSilChecked(bool checked); // writes nothing
    // The show step: "Kaydet" waits for an edit.
    void disableSave();

signals:
    // "Personel Kayıtları"; the main window opens the personnel window.
    void personnelListRequested();

private:
    void placeYedekBoxOnTheRangeFrame();
    void AdresKaydetButonClick();
    void DegistirButonClick();
    void KayitSilboxChange(bool checked);

    std::unique_ptr<Ui::SettingsTab> m_ui;
    ProgramValues& m_values;
};

} // namespace nakilon
