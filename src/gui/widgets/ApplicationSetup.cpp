#include "gui/widgets/ApplicationSetup.h"

#include "gui/widgets/FocusStyle.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyle>
#include <QTranslator>

namespace nakilon {

namespace {

const QLocale kTurkish(QLocale::Turkish, QLocale::Turkey);

// Qt's Turkish catalogue: beside the program where a Windows package puts it
// (translations\ or the program's own folder), else where Qt keeps its own
// (Debian: qt6-translations-l10n). "qt" is the catalogue that windeployqt
// makes of all the modules' catalogues.
bool installQtTranslation(QApplication& application) {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString folders[] = {programFolder + QStringLiteral("/translations"), programFolder,
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto* translator = new QTranslator(&application);
    for (const QString& folder : folders)
        for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qt")})
            if (translator->load(kTurkish, catalogue, QStringLiteral("_"), folder))
                return QCoreApplication::installTranslator(translator);
    delete translator;
    return false;
}

} // namespace

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/nakilon/nakilon-%1.png").arg(size), QSize(size, size));
    return icon;
}

bool setUpApplication(QApplication& application) {
    // Every text the operator reads is Turkish, whatever the computer's own
    // language: the calendars' names of months and days follow the locale.
    QLocale::setDefault(kTurkish);
    const bool translated = installQtTranslation(application);
    QApplication::setWindowIcon(programIcon());
    // Lets the desktop match the windows with the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("nakilon"));
    QApplication::setStyle(new FocusStyle(QApplication::style()->name()));
    return translated;
}

} // namespace nakilon
