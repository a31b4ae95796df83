#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class TCihazForm;
}

namespace nakilon {

class RecordTable;

// The device editor "Cihaz Ekle / Düzenle": eight editors bound to the current
// device record, which the command that opens it has put into insert or edit
// state. "Kaydet ve Kapat" stores the record and saves the list; "İptal", and
// any other way of closing, drops the changes. Made afresh for each command.
class TCihazForm : public QDialog {
    Q_OBJECT
public:
    // `deviceFile` is the full UTF-8 name of Cihazlar.Dat.
    TCihazForm(RecordTable& devices, std::string deviceFile, QWidget* parent = nullptr);
    ~TCihazForm() override;

    // "İptal", Escape and the title bar's close button: an unsaved new record
    // must not linger in the list and reach the file with a later save.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cxButton2Click();

    std::unique_ptr<Ui::TCihazForm> m_ui;
    RecordTable& m_devices;
    std::string m_deviceFile;
};

} // namespace nakilon
