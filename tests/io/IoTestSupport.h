// Helpers of the dataset-file tests: a temporary folder, whole-file reads and writes.
#pragma once

#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(std::string_view name) const { return fPath + "/" + std::string(name); }
  const std::string& Path() const { return fPath; }

 private:
  std::string fPath;
};

void WriteFile(const std::string& path, std::string_view text);
std::string ReadFile(const std::string& path);
