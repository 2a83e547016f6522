// The floor of an end-to-end validation run: the least work any tool must do on a CSV file.
//   zira_floor DATA.csv
// reads the file's bytes once with a plain loop that splits fields (quotes honoured, no
// number parsing), then sums in-memory columns of the same shape (cases x columns doubles)
// once. Prints one line of JSON: {"read_split": s, "sum": s, "floor": s, "cases": n, ...}.
// Building the columns is not timed: only the one summing pass over them is.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zira_floor DATA.csv\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    std::perror(argv[1]);
    return 1;
  }
  // Split: count fields and rows, sum the field lengths so the loop cannot be dropped.
  std::vector<char> buffer(1 << 22);
  size_t fields = 0, rows = 0, headerFields = 0, fieldBytes = 0, fieldLen = 0;
  bool quoted = false;
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0) {
      std::perror(argv[1]);
      return 1;
    }
    if (got == 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      const char c = buffer[static_cast<size_t>(i)];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ',' || c == '\n')) {
        ++fields;
        fieldBytes += fieldLen;
        fieldLen = 0;
        if (c == '\n') {
          if (rows++ == 0) headerFields = fields;
        }
      } else if (c != '\r') {
        ++fieldLen;
      }
    }
  }
  close(fd);
  const double readSplit = Seconds(start);

  // Sum: one pass over columns shaped like the dataset.
  const size_t cases = rows > 0 ? rows - 1 : 0, columns = headerFields;
  std::vector<std::vector<double>> data(columns, std::vector<double>(cases));
  for (size_t c = 0; c < columns; ++c)
    for (size_t r = 0; r < cases; ++r) data[c][r] = static_cast<double>((r + c) % 97);
  const auto sumStart = std::chrono::steady_clock::now();
  double total = 0;
  for (size_t c = 0; c < columns; ++c) {
    double s = 0;
    for (double v : data[c]) s += v;
    total += s;
  }
  const double sum = Seconds(sumStart);
  std::printf(
      "{\"read_split\": %.4f, \"sum\": %.4f, \"floor\": %.4f, \"cases\": %zu, \"columns\": %zu, "
      "\"fields\": %zu, \"field_bytes\": %zu, \"checksum\": %.0f}\n",
      readSplit, sum, readSplit + sum, cases, columns, fields, fieldBytes, total);
  return 0;
}
