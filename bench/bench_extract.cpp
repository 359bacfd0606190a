// Extraction benchmark program.
//
//   bench_extract ARCHIVE DEST   extracts ARCHIVE into DEST with the
//                                project's extractor on a worker thread, as
//                                the installer does: silent with exit 0 on
//                                success, the failure's text as one line on
//                                stderr and exit 1 on failure.
//                                bench/compare_extract.sh times it against
//                                other tools.
//   bench_extract [--benchmark_...]   (as `make bench` runs it) Google
//                                Benchmark of the inspection of a 9,999-member
//                                archive, against reading that file whole.
#include "TavroUpdate/SafeZIPExtractor.h"
#include "TavroUpdate/ZIPInspection.h"
#include "tests/TavroUpdate/TestZipWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int extractArchive(const fs::path& archive, const fs::path& destination) {
  std::string failure;
  std::thread worker([&] {
    try {
      tavro::SafeZIPExtractor::extract(archive, destination);
    } catch (const std::exception& error) {
      failure = error.what();
      if (failure.empty()) failure = "Extraction failed.";
    }
  });
  worker.join();
  if (failure.empty()) return 0;
  std::cerr << failure << '\n';
  return 1;
}

// A 9,999-member archive shaped like a bundle: a few hundred directories and
// small files with realistic path lengths, written once per process.
const fs::path& manyMemberArchive() {
  static const fs::path path = [] {
    using namespace tavro::testing;
    std::string directory = (fs::temp_directory_path() / "bench-members-XXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) std::abort();
    const std::string top = "BRELVA Tavro.app/";
    ZipWriter writer;
    writer.add(ZipEntry::directory(top));
    writer.add(ZipEntry::directory(top + "Contents/"));
    writer.add(ZipEntry::directory(top + "Contents/Resources/"));
    int count = 3;
    for (int folder = 0; count < 9999; ++folder) {
      const std::string folderName = top + "Contents/Resources/Localized" + std::to_string(folder) + ".lproj/";
      writer.add(ZipEntry::directory(folderName));
      ++count;
      for (int file = 0; file < 49 && count < 9999; ++file, ++count) {
        writer.add(ZipEntry::file(folderName + "Strings-" + std::to_string(file) + ".strings",
                                  "\"key\" = \"value " + std::to_string(file) + "\";\n"));
      }
    }
    const fs::path archive = fs::path(directory) / "many-members.zip";
    std::ofstream(archive, std::ios::binary) << writer.finish();
    return archive;
  }();
  return path;
}

void BM_ReadArchiveWhole(benchmark::State& state) {
  const fs::path& archive = manyMemberArchive();
  for (auto _ : state) {
    std::ifstream in(archive, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ReadArchiveWhole)->Unit(benchmark::kMillisecond);

void BM_Members9999(benchmark::State& state) {
  const fs::path& archive = manyMemberArchive();
  for (auto _ : state) {
    auto members = tavro::ZIPInspection::members(archive);
    if (members.size() != 9999) state.SkipWithError("unexpected member count");
    benchmark::DoNotOptimize(members);
  }
}
BENCHMARK(BM_Members9999)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]).substr(0, 2) != "--") {
    return extractArchive(argv[1], argv[2]);
  }
  if (argc > 1 && std::string_view(argv[1]).substr(0, 2) != "--") {
    std::cerr << "usage: bench_extract ARCHIVE DEST\n";
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(manyMemberArchive().parent_path(), ignored);
  return 0;
}
