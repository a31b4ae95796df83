#include "app/ProgramValues.h"
#include "app/TAnaForm.h"
#include "common/ProgramFolder.h"
#include "tables/TDataModul.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nakilon"));

    // The data module comes first and goes last: every window shows its tables.
    nakilon::TDataModul data;
    nakilon::ProgramValues values;
    nakilon::TAnaForm anaForm(data, values);
    anaForm.create(nakilon::executableFolder());
    anaForm.show();
    return QApplication::exec();
}
