#include "app/ProgramValues.h"
#include "app/TAnaForm.h"
#include "tables/TDataModul.h"

#include <QApplication>
#include <QDir>

namespace {

// The program keeps every file in the folder of its executable.
std::string programFolder() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'))
        .toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nakilon"));

    // The data module comes first and goes last: every window shows its tables.
    nakilon::TDataModul data;
    nakilon::ProgramValues values;
    nakilon::TAnaForm anaForm(data, values);
    anaForm.create(programFolder());
    anaForm.show();
    return QApplication::exec();
}
