// Reading and writing the stored screening state. Every stored class writes its fields once,
// in order, to an FSFieldSink and reads them from an FSFieldSource; the binary form (little-
// endian, five-character tags) and the XML form (modelling-common objects) are the two
// implementations. A failed read throws MCFeature::IOException.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>

#include "host/mccommon/MCCommonXML.h"

namespace MCFeature {
// Thrown when a stored object cannot be read; what() names the class and the place.
class IOException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
}  // namespace MCFeature

namespace FSIO {
// Writes "Error reading <cls>!\n" to standard error and throws MCFeature::IOException with
// the reason.
[[noreturn]] void Fail(const char* cls, const std::string& reason);
}  // namespace FSIO

// Where stored fields go. `tag` is the binary tag, `name` the XML object name.
class FSFieldSink {
 public:
  virtual ~FSFieldSink() = default;
  virtual void Begin(const char* tag, const char* name) = 0;
  virtual void End() = 0;
  virtual void Int(const char* name, std::int32_t v) = 0;
  virtual void Dbl(const char* name, double v) = 0;
  void Bool(const char* name, bool v) { Int(name, v ? 1 : 0); }
  // Four bytes of padding in the binary form; nothing in XML.
  virtual void Padding4() {}
  // Bytes written so far (binary form).
  long long Bytes() const { return fBytes; }

 protected:
  long long fBytes = 0;
};

// Where stored fields come from. Every read fails through FSIO::Fail for class `cls`.
class FSFieldSource {
 public:
  virtual ~FSFieldSource() = default;
  virtual void Begin(const char* tag, const char* name, const char* cls) = 0;
  virtual void End(const char* cls) = 0;
  virtual std::int32_t Int(const char* name, const char* cls) = 0;
  virtual double Dbl(const char* name, const char* cls) = 0;
  virtual void Padding4(const char* /*cls*/) {}
  // A bool: true only for 1.
  bool Bool(const char* name, const char* cls) { return Int(name, cls) == 1; }
  // A list count, 0 <= count <= maxCount.
  std::int32_t Count(const char* name, const char* cls, std::int32_t maxCount);
};

// The binary form on a borrowed stream.
class FSBinarySink : public FSFieldSink {
 public:
  explicit FSBinarySink(std::ostream& os) : fOut(os) {}
  void Begin(const char* tag, const char* name) override;
  void End() override {}
  void Int(const char* name, std::int32_t v) override;
  void Dbl(const char* name, double v) override;
  void Padding4() override;

 private:
  std::ostream& fOut;
};

class FSBinarySource : public FSFieldSource {
 public:
  explicit FSBinarySource(std::istream& is) : fIn(is) {}
  void Begin(const char* tag, const char* name, const char* cls) override;
  void End(const char* /*cls*/) override {}
  std::int32_t Int(const char* name, const char* cls) override;
  double Dbl(const char* name, const char* cls) override;
  void Padding4(const char* cls) override;

 private:
  void ReadBytes(char* buf, std::size_t n, const char* what, const char* cls);
  std::istream& fIn;
  long long fPos = 0;  // bytes read through this source, for the error texts
};

// The XML form through a borrowed writer or reader.
class FSXMLSink : public FSFieldSink {
 public:
  explicit FSXMLSink(MCCommonXML::XMLObj& xml) : fXml(xml) {}
  void Begin(const char* /*tag*/, const char* name) override { fXml.StartObj(name); }
  void End() override { fXml.EndObj(); }
  void Int(const char* name, std::int32_t v) override { fXml.WriteSubElement(name, v); }
  void Dbl(const char* name, double v) override { fXml.WriteSubElement(name, v); }

 private:
  MCCommonXML::XMLObj& fXml;
};

class FSXMLSource : public FSFieldSource {
 public:
  explicit FSXMLSource(MCCommonXML::XMLReader& xml) : fXml(xml) {}
  void Begin(const char* tag, const char* name, const char* cls) override;
  void End(const char* cls) override;
  std::int32_t Int(const char* name, const char* cls) override;
  double Dbl(const char* name, const char* cls) override;

 private:
  MCCommonXML::XMLReader& fXml;
};
