// Feeds arbitrary bytes to FSAlgorithmFactory::Load and LoadXML. A restored algorithm is
// exercised a little further (save again, rank, write the results) so that a stream accepted
// by the loader can never leave an object that crashes later.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>

#include "featureselection/FSAlgorithmFactory.h"

namespace {
void Exercise(IFSAlgorithm& a) {
  std::ostringstream sink;
  a.Save(sink);
  a.SaveXML(sink);
  a.WriteOutputAll(sink);
  a.RankPredictors(2);
  a.WriteOutputAll(sink);
  std::vector<int> inds;
  std::vector<double> values;
  for (int c = 0; c < 6; ++c) {
    a.WriteOutputOne(sink, c, 1);
    a.GetBestPredictors(c, inds, values, 0);
    double v, x, y, z;
    a.GetCriterionValues(c, 0, v, x, y, z);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = [] {
    std::cerr.setstate(std::ios::badbit);  // the loaders' messages would flood the output
    return true;
  }();
  (void)quiet;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FSAlgorithmFactory factory;
  {
    std::istringstream is(bytes);
    if (auto a = factory.Load(is)) Exercise(*a);
  }
  {
    std::istringstream is(bytes);
    if (auto a = factory.LoadXML(is)) Exercise(*a);
  }
  return 0;
}
