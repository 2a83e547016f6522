#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "IoTestSupport.h"

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "zira-io-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot make a temporary folder");
  fPath = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(fPath, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(fPath, ec);
}

void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
