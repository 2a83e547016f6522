#include "host/common/ProgressMeter.h"

#include <unistd.h>

#include <cassert>
#include <cstdio>

ProgressMeter::ProgressMeter(std::string label, size_t total, bool enabled)
    : fLabel(std::move(label)),
      fTotal(total > 0 ? total : 1),
      fEnabled(enabled && isatty(STDERR_FILENO)),
      fStart(std::chrono::steady_clock::now()),
      fLastDraw(fStart) {}

ProgressMeter::~ProgressMeter() { Finish(); }

void ProgressMeter::Add(size_t units) {
  if (!fEnabled) return;
  size_t done = fDone.fetch_add(units) + units;
  if (done > fTotal) done = fTotal;
  assert(done <= fTotal && "host/common/ProgressMeter: done <= total");
  auto now = std::chrono::steady_clock::now();
  if (now - fStart < std::chrono::seconds(1)) return;
  std::unique_lock<std::mutex> lock(fDrawMutex, std::try_to_lock);
  if (!lock.owns_lock() || now - fLastDraw < std::chrono::milliseconds(100)) return;
  fLastDraw = now;
  Draw(done);
}

void ProgressMeter::Draw(size_t done) {
  constexpr int kWidth = 30;
  int filled = static_cast<int>(static_cast<double>(done) / static_cast<double>(fTotal) * kWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), ' ');
  std::fprintf(stderr, "\r%s [%s] %3d%%", fLabel.c_str(), bar.c_str(),
               static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(fTotal)));
  std::fflush(stderr);
  fDrawn = true;
}

void ProgressMeter::Finish() {
  std::lock_guard<std::mutex> lock(fDrawMutex);
  if (!fDrawn) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(fLabel.size()) + 40, "");
  std::fflush(stderr);
  fDrawn = false;
}
