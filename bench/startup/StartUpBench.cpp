#include "core/base/FilePaths.h"
#include "core/base/SafeWrite.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/mainwindow/TAnaForm.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/MessageBox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

using namespace nakilon;

// A program folder with 1,000 devices and 100,000 personnel rows, made once.
const std::string& programFolder() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "nakilon-startup-bench";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path / "Data");
        const std::string name = pathToUtf8(path / "");

        std::string devices = "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\t"
                              "Isaret\tDurum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n";
        for (int i = 1; i <= 1000; ++i)
            devices += std::to_string(i) + "\tCihaz" + std::to_string(i) + "\t" +
                       std::to_string(i) + "\t1\t10.0." + std::to_string(i / 250) + "." +
                       std::to_string(i % 250) +
                       "\t\t5005\t1\t\tAktar\xFDm Tamamland\xFD\t100\t\t0\r\n";
        writeFileAtomic(programFile(name, "Cihazlar.Dat"), devices);

        std::string personnel = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";
        for (int i = 1; i <= 100000; ++i)
            personnel += std::to_string(i) + "\t" + std::to_string(1000000 + i) + "\t0\t\t1\t1\r\n";
        writeFileAtomic(programFile(name, "Data\\Personel.PDT"), personnel);
        writeFileAtomic(programFile(name, "Ayarlar.ini"), "[Ayarlar]\r\nKayitDosyasi=" + name +
                                                              "Hareketler.txt\r\n"
                                                              "AktarimdanSonraSil=1\r\n");
        return name;
    }();
    return folder;
}

// From the data module's creation to a main window shown and painted.
void StartUpToShownWindow(benchmark::State& state) {
    const std::string& folder = programFolder();
    bool failed = false;
    testing::setMessageHook([&](const ShownMessage&) { return failed = true; });
    DeviceWorker worker;
    for (auto _ : state) {
        TDataModul data;
        ProgramValues values;
        const std::unique_ptr<DeviceControl> cc = makeEmulatorDeviceControl();
        const std::unique_ptr<DeviceControl> personelCc = makeEmulatorDeviceControl();
        TAnaForm form(data, values, worker, *cc, *personelCc);
        form.create(folder);
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(data.PersonelTable.rowCount());
        state.PauseTiming();
        form.close();
        state.ResumeTiming();
    }
    testing::setMessageHook({});
    if (failed)
        state.SkipWithError("start-up showed an error box");
}
BENCHMARK(StartUpToShownWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
