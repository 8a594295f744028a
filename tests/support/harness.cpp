#include "support/harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace harness {

std::filesystem::path KestrumPath() { return FromUnixPath(KESTRUM_EXE); }

std::filesystem::path TollaverPath() { return FromUnixPath(TOLLAVER_EXE); }

std::filesystem::path KestrumDoorPath() {
  return FromUnixPath(KESTRUM_DOOR_EXE);
}

std::filesystem::path TollaverDoorPath() {
  return FromUnixPath(TOLLAVER_DOOR_EXE);
}

std::string WindowsPath(const std::filesystem::path& path) {
  return std::filesystem::path(path).make_preferred().string();
}

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const auto base = std::filesystem::temp_directory_path();
  do {
    path_ = base / ("tools-test-" + std::to_string(random()));
  } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << file;
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace harness
