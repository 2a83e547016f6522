// Shared operations of the accumulators: the recomputed criterion report, the stored-form
// wrappers and creation by class code.
#include "featureselection/FSPredTargetAccum.h"

#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"

void IFSPredTargetAccum::AddValues(const double* values, const double* w, const char* use, int n,
                                   bool categorical, char* valid) {
  FSAddBlock(*this, values, w, use, n, categorical, valid);
}

bool IFSPredTargetAccum::GetCriterion(int criterion, double& value, double& second, double& third,
                                      double& fourth) const {
  value = second = third = fourth = MCMV::gMissingValue;
  if (criterion < 0 || criterion >= kFSNumCriteria || !AnswersCriterion(criterion)) return false;
  FSCriterionResult r;
  ComputeCriteria(criterion, r);
  value = r.value;
  switch (criterion) {
    case kFSPearson:
    case kFSLikelihood:
      second = r.tie1;
      third = r.tie2;
      break;
    case kFSFStat:
      second = r.tie1;
      third = r.extra1;
      fourth = r.extra2;
      break;
    case kFSTStat:
      second = r.extra1;
      third = r.extra2;
      fourth = r.tie2 == MCMV::gMissingValue ? MCMV::gMissingValue : r.tie2 - 2.0;
      break;
    default:
      break;
  }
  return true;
}

int IFSPredTargetAccum::Save(std::ostream& os) const {
  FSBinarySink out(os);
  Write(out);
  return static_cast<int>(out.Bytes());
}

bool IFSPredTargetAccum::Load(std::istream& is) {
  FSBinarySource in(is);
  Read(in);
  return true;
}

void IFSPredTargetAccum::SaveXML(MCCommonXML::XMLObj& xml) const {
  FSXMLSink out(xml);
  Write(out);
}

bool IFSPredTargetAccum::LoadXML(MCCommonXML::XMLReader& xml) {
  FSXMLSource in(xml);
  Read(in);
  return true;
}

std::unique_ptr<IFSPredTargetAccum> IFSPredTargetAccum::Create(int classCode) {
  switch (classCode) {
    case kFSClassCatAccum:
      return std::make_unique<FSCatAccum>();
    case kFSClassCatPCatTAccum:
      return std::make_unique<FSCatPCatTAccum>();
    case kFSClassCatPContTAccum:
      return std::make_unique<FSCatPContTAccum>();
    case kFSClassContAccum:
      return std::make_unique<FSContAccum>();
    case kFSClassContPCatTAccum:
      return std::make_unique<FSContPCatTAccum>();
    case kFSClassContPContTAccum:
      return std::make_unique<FSContPContTAccum>();
    default:
      return nullptr;
  }
}
