// Binary and XML field sinks and sources of the stored screening state.
#include "featureselection/FSPersist.h"

#include <bit>
#include <cstring>
#include <iostream>

namespace FSIO {
void Fail(const char* cls, const std::string& reason) {
  std::cerr << "Error reading " << cls << "!\n";
  throw MCFeature::IOException(std::string("Error reading ") + cls + ": " + reason);
}
}  // namespace FSIO

namespace {

// Stored numbers are little-endian whatever the machine.
template <typename T>
T SwapToLittle(T v) {
  if constexpr (std::endian::native == std::endian::big) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
    std::memcpy(&v, b, sizeof(T));
  }
  return v;
}

}  // namespace

std::int32_t FSFieldSource::Count(const char* name, const char* cls, std::int32_t maxCount) {
  const std::int32_t n = Int(name, cls);
  if (n < 0 || n > maxCount) {
    FSIO::Fail(cls, std::string("the count \"") + name + "\" = " + std::to_string(n) +
                        " is outside 0 to " + std::to_string(maxCount));
  }
  return n;
}

void FSBinarySink::Begin(const char* tag, const char* /*name*/) {
  const std::size_t n = std::strlen(tag);
  fOut.write(tag, static_cast<std::streamsize>(n));
  fBytes += static_cast<long long>(n);
}

void FSBinarySink::Int(const char* /*name*/, std::int32_t v) {
  v = SwapToLittle(v);
  char b[4];
  std::memcpy(b, &v, 4);
  fOut.write(b, 4);
  fBytes += 4;
}

void FSBinarySink::Dbl(const char* /*name*/, double v) {
  v = SwapToLittle(v);
  char b[8];
  std::memcpy(b, &v, 8);
  fOut.write(b, 8);
  fBytes += 8;
}

void FSBinarySink::Padding4() {
  const char zero[4] = {0, 0, 0, 0};
  fOut.write(zero, 4);
  fBytes += 4;
}

void FSBinarySource::ReadBytes(char* buf, std::size_t n, const char* what, const char* cls) {
  if (!fIn.read(buf, static_cast<std::streamsize>(n))) {
    FSIO::Fail(cls,
               std::string("the stream ends inside ") + what + " at byte " + std::to_string(fPos));
  }
  fPos += static_cast<long long>(n);
}

void FSBinarySource::Begin(const char* tag, const char* /*name*/, const char* cls) {
  const std::size_t n = std::strlen(tag);
  char buf[32];
  if (n > sizeof buf) FSIO::Fail(cls, "tag too long");
  const long long at = fPos;
  ReadBytes(buf, n, "the object tag", cls);
  if (std::memcmp(buf, tag, n) != 0) {
    FSIO::Fail(cls,
               std::string("the tag \"") + tag + "\" was expected at byte " + std::to_string(at));
  }
}

std::int32_t FSBinarySource::Int(const char* name, const char* cls) {
  char b[4];
  ReadBytes(b, 4, name, cls);
  std::int32_t v;
  std::memcpy(&v, b, 4);
  return SwapToLittle(v);
}

double FSBinarySource::Dbl(const char* name, const char* cls) {
  char b[8];
  ReadBytes(b, 8, name, cls);
  double v;
  std::memcpy(&v, b, 8);
  return SwapToLittle(v);
}

void FSBinarySource::Padding4(const char* cls) {
  char b[4];
  ReadBytes(b, 4, "padding", cls);
}

void FSXMLSource::Begin(const char* /*tag*/, const char* name, const char* cls) {
  if (!fXml.ParseStartObj(name)) FSIO::Fail(cls, fXml.GetError());
}

void FSXMLSource::End(const char* cls) {
  if (!fXml.ParseEndObj()) FSIO::Fail(cls, fXml.GetError());
}

std::int32_t FSXMLSource::Int(const char* name, const char* cls) {
  int v = 0;
  if (!fXml.ParseValue(name, v)) FSIO::Fail(cls, fXml.GetError());
  return v;
}

double FSXMLSource::Dbl(const char* name, const char* cls) {
  double v = 0;
  if (!fXml.ParseValue(name, v)) FSIO::Fail(cls, fXml.GetError());
  return v;
}
