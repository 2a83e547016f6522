// The four count maps: adds, lookups, stored forms and debug listings.
#include "featureselection/FSMaps.h"

#include <ostream>

#include "host/mccommon/MCCommonRecord.h"

// ---- FSMapICnt ----

bool FSMapICnt::Lookup(std::int32_t key, double& count) const {
  const double* v = fMap.Find(key);
  if (v) count = *v;
  return v != nullptr;
}

void FSMapICnt::Write(FSFieldSink& out) const {
  out.Begin("FSMII", "FSMapICnt");
  out.Int("size", Size());
  for (const auto& e : fMap.Entries()) {
    out.Int("key", e.first);
    out.Dbl("count", e.second);
  }
  out.End();
}

void FSMapICnt::Read(FSFieldSource& in) {
  const char* cls = "FSMapICnt";
  in.Begin("FSMII", cls, cls);
  const int n = in.Count("size", cls, INT32_MAX);
  FSSortedHashMap<std::int32_t, double, double, FSSumOps> m;
  for (int i = 0; i < n; ++i) {
    const std::int32_t key = in.Int("key", cls);
    const double count = in.Dbl("count", cls);
    if (!m.AppendSorted(key, count)) FSIO::Fail(cls, "the keys are not in ascending order");
  }
  in.End(cls);
  fMap = std::move(m);
}

void FSMapICnt::Display(std::ostream& os) const {
  os << "Start of FSMapICnt display\nMap size = " << Size() << "\n";
  for (const auto& e : fMap.Entries())
    os << "Key = " << e.first << ", Value = " << e.second << "\n";
  os << "End of FSMapICnt display\n";
}

// ---- FSMapIPCnt ----

bool FSMapIPCnt::Lookup(std::int32_t key, Counts& counts) const {
  const Counts* v = fMap.Find(key);
  if (v) counts = *v;
  return v != nullptr;
}

void FSMapIPCnt::Write(FSFieldSink& out) const {
  out.Begin("FSMII", "FSMapIPCnt");
  out.Int("size", Size());
  for (const auto& e : fMap.Entries()) {
    out.Int("key", e.first);
    out.Int("count", e.second.count);
    out.Padding4();
    out.Dbl("weight", e.second.weight);
  }
  out.End();
}

void FSMapIPCnt::Read(FSFieldSource& in) {
  const char* cls = "FSMapIPCnt";
  in.Begin("FSMII", cls, cls);
  const int n = in.Count("size", cls, INT32_MAX);
  FSSortedHashMap<std::int32_t, Counts, double, Ops> m;
  for (int i = 0; i < n; ++i) {
    const std::int32_t key = in.Int("key", cls);
    Counts c;
    c.count = in.Int("count", cls);
    in.Padding4(cls);
    c.weight = in.Dbl("weight", cls);
    if (!m.AppendSorted(key, c)) FSIO::Fail(cls, "the keys are not in ascending order");
  }
  in.End(cls);
  fMap = std::move(m);
}

void FSMapIPCnt::Display(std::ostream& os) const {
  os << "Start of FSMapIPCnt display\nMap size = " << Size() << "\n";
  for (const auto& e : fMap.Entries()) {
    os << "Key = " << e.first << ", Value = (" << e.second.count << ", " << e.second.weight
       << ")\n";
  }
  os << "End of FSMapIPCnt display\n";
}

// ---- FSMapIStat ----

bool FSMapIStat::Add(std::int32_t key, double y, double w) {
  if (!(w > 0)) {
    Stat ignored;
    return Lookup(key, ignored);
  }
  return fMap.Add(key, Delta{y, w});
}

bool FSMapIStat::Lookup(std::int32_t key, Stat& stat) const {
  const Stat* v = fMap.Find(key);
  if (v) stat = *v;
  return v != nullptr;
}

void FSMapIStat::Finalize() {
  for (auto& e : fMap.MutableEntries()) {
    e.second.variance = VarianceOf(e.second);
  }
}

void FSMapIStat::Write(FSFieldSink& out) const {
  out.Begin("FSMIS", "FSMapIStat");
  out.Int("size", Size());
  for (const auto& e : fMap.Entries()) {
    out.Int("key", e.first);
    out.Dbl("W", e.second.W);
    out.Dbl("mean", e.second.mean);
    out.Dbl("M2", e.second.M2);
    out.Dbl("variance", e.second.variance);
  }
  out.End();
}

void FSMapIStat::Read(FSFieldSource& in) {
  const char* cls = "FSMapIStat";
  in.Begin("FSMIS", cls, cls);
  const int n = in.Count("size", cls, INT32_MAX);
  Map m;
  for (int i = 0; i < n; ++i) {
    const std::int32_t key = in.Int("key", cls);
    Stat s;
    s.W = in.Dbl("W", cls);
    s.mean = in.Dbl("mean", cls);
    s.M2 = in.Dbl("M2", cls);
    s.variance = in.Dbl("variance", cls);
    if (!m.AppendSorted(key, s)) FSIO::Fail(cls, "the keys are not in ascending order");
  }
  in.End(cls);
  fMap = std::move(m);
}

void FSMapIStat::Display(std::ostream& os) const {
  os << "Start of FSMapIStat display\nMap size = " << Size() << "\n";
  for (const auto& e : fMap.Entries()) {
    os << "Key = " << e.first << ", Value = (W " << e.second.W << ", mean " << e.second.mean
       << ", M2 " << e.second.M2 << ", variance " << e.second.variance << ")\n";
  }
  os << "End of FSMapIStat display\n";
}

// ---- FSMapPiCnt ----

bool FSMapPiCnt::Lookup(const Pair& key, double& count) const {
  const double* v = fMap.Find(key);
  if (v) count = *v;
  return v != nullptr;
}

void FSMapPiCnt::Write(FSFieldSink& out) const {
  out.Begin("FSMPI", "FSMapPiCnt");
  out.Int("size", Size());
  for (const auto& e : fMap.Entries()) {
    out.Int("first", e.first.first);
    out.Int("second", e.first.second);
    out.Dbl("count", e.second);
  }
  out.End();
}

void FSMapPiCnt::Read(FSFieldSource& in) {
  const char* cls = "FSMapPiCnt";
  in.Begin("FSMPI", cls, cls);
  const int n = in.Count("size", cls, INT32_MAX);
  FSSortedHashMap<Pair, double, double, FSSumOps> m;
  for (int i = 0; i < n; ++i) {
    Pair key;
    key.first = in.Int("first", cls);
    key.second = in.Int("second", cls);
    const double count = in.Dbl("count", cls);
    if (!m.AppendSorted(key, count)) FSIO::Fail(cls, "the keys are not in ascending order");
  }
  in.End(cls);
  fMap = std::move(m);
}

void FSMapPiCnt::Display(std::ostream& os) const {
  os << "Start of FSMapPiCnt display\nMap size = " << Size() << "\n";
  for (const auto& e : fMap.Entries()) {
    os << "Key = (" << e.first.first << ", " << e.first.second << "), Value = " << e.second << "\n";
  }
  os << "End of FSMapPiCnt display\n";
}
