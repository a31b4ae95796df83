// Save and load of the two stored tables at sizes beyond what an office holds:
// 100,000 personnel rows and 1,000 devices.

#include "core/base/FilePaths.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

namespace nakilon {
namespace {

// A file name in a fresh temporary folder, removed at the end of the run.
class BenchFile {
public:
    explicit BenchFile(const std::string& name) {
        std::random_device random;
        m_folder =
            std::filesystem::temp_directory_path() / ("nakilon-bench-" + std::to_string(random()));
        std::filesystem::create_directories(m_folder);
        m_file = pathToUtf8(m_folder / name);
    }
    ~BenchFile() {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    const std::string& name() const { return m_file; }

private:
    std::filesystem::path m_folder;
    std::string m_file;
};

void fillPersonnel(RecordTable& table, int rows) {
    table.open();
    for (int i = 1; i <= rows; ++i) {
        table.append();
        table.setInteger(field::PersonelNo, i);
        table.setInteger(field::KartNo, 1000000 + i * 7);
        table.setInteger(field::Yetki, i % 4);
        table.setInteger(field::Sifre, i % 10000);
        table.setInteger(field::IzinDurum, i % 2);
        table.setInteger(field::Secim, 1);
        table.post();
    }
}

void fillDevices(RecordTable& table, int rows) {
    table.open();
    for (int i = 1; i <= rows; ++i) {
        table.append();
        table.setInteger(field::CihazNo, i);
        table.setText(field::CihazAdi, "Cihaz" + std::to_string(i));
        table.setInteger(field::MakineNo, i % 255);
        table.setInteger(field::BaglantiTipi, 1);
        table.setText(field::IPAdres,
                      "192.168." + std::to_string(i / 256) + "." + std::to_string(i % 256));
        table.setText(field::Parola, "0");
        table.setInteger(field::Port, 5005);
        table.setInteger(field::Isaret, i % 2);
        table.setText(field::Aciklama, "Aktar\xFDm Tamamland\xFD");
        table.setInteger(field::TransferDurumu, 100);
        table.setInteger(field::GCTip, 0);
        table.post();
    }
}

void saveBenchmark(benchmark::State& state, bool personnel) {
    TDataModul modul;
    RecordTable& table = personnel ? modul.PersonelTable : modul.CihazTable;
    const int rows = static_cast<int>(state.range(0));
    personnel ? fillPersonnel(table, rows) : fillDevices(table, rows);
    BenchFile file(personnel ? "Personel.PDT" : "Cihazlar.Dat");
    for (auto _ : state)
        table.saveToFile(file.name());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file.name()));
}

void loadBenchmark(benchmark::State& state, bool personnel) {
    TDataModul modul;
    RecordTable& table = personnel ? modul.PersonelTable : modul.CihazTable;
    const int rows = static_cast<int>(state.range(0));
    personnel ? fillPersonnel(table, rows) : fillDevices(table, rows);
    BenchFile file(personnel ? "Personel.PDT" : "Cihazlar.Dat");
    table.saveToFile(file.name());
    for (auto _ : state)
        table.loadFromFile(file.name());
    if (table.rowCount() != rows)
        state.SkipWithError("the load lost rows");
}

void BM_SavePersonnel(benchmark::State& state) {
    saveBenchmark(state, true);
}
void BM_LoadPersonnel(benchmark::State& state) {
    loadBenchmark(state, true);
}
void BM_SaveDevices(benchmark::State& state) {
    saveBenchmark(state, false);
}
void BM_LoadDevices(benchmark::State& state) {
    loadBenchmark(state, false);
}

BENCHMARK(BM_SavePersonnel)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPersonnel)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDevices)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDevices)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace nakilon

BENCHMARK_MAIN();
