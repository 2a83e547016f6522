#include "backend/validatedata/VDTProcAdapter.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "backend/validatedata/VDTOutput.h"
#include "backend/validatedata/VDTRuleSpecs.h"
#include "backend/validatedata/VDTRun.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "host/common/Hashing.h"
#include "host/common/Parallel.h"

#define VDT_ASSERT(expr) assert((expr) && "backend/validatedata/VDTProcAdapter: " #expr)

VDTProcAdapter::VDTProcAdapter(const VDTValidSpecs* specs, const ZIRA_DataSource* data,
                               ObsVecMap* duplicMap, DuplicGroups* duplicGroups, int emptyCaseVar,
                               int incompIdVar, int duplicIdVar, int ruleViolVar)
    : UAInputAdapter(specs->GetVarValidSpecs(), data),
      fpVDTValidSpecs(specs),
      fpDuplicIdVec(duplicGroups),
      fEmptyCaseVar(emptyCaseVar),
      fIncompIdVar(incompIdVar),
      fDuplicIdVar(duplicIdVar),
      fRuleViolVar(ruleViolVar) {
  if (duplicMap) fPassInd = 1;
  Init(duplicMap);
}

VDTProcAdapter::VDTProcAdapter(const VDTValidSpecs* specs, const ZIRA_DataSource* data,
                               ObsVecMap* duplicMap, DuplicGroups* duplicGroups)
    : UAInputAdapter(specs->GetVarValidSpecs(), data),
      fpVDTValidSpecs(specs),
      fpDuplicIdVec(duplicGroups) {
  fPassInd = 0;
  VDT_ASSERT(specs->GetNCaseIdVars() > 0);
  VDT_ASSERT(duplicMap != 0);
  Init(duplicMap);
}

VDTProcAdapter::~VDTProcAdapter() = default;

void VDTProcAdapter::Init(ObsVecMap* duplicMap) {
  const VDTValidSpecs& s = *fpVDTValidSpecs;
  fNAnalysVars = s.GetNAnalysVars();
  fNCaseIdVars = s.GetNCaseIdVars();
  fCaseIdValues.assign(static_cast<size_t>(fNCaseIdVars), nullptr);
  fMinViolations = s.GetMinViolations();
  fCaseLimit = s.GetCaseLimit();

  int nCols = Data().ColumnCount();
  fCaseValueReaders.reserve(static_cast<size_t>(nCols));
  for (int c = 0; c < nCols; ++c) {
    fCaseValueReaders.push_back(std::make_unique<UACaseValueReader>(GetCaseIterator(), c, false));
    const ZIRA_Variable* v = Data().GetVariable(c);
    ColumnView view;
    view.var = v;
    if (v->IsString()) {
      view.cells = v->StringBuffer().data();
      view.cellWidth = static_cast<size_t>(v->GetCellWidth());
      view.width = v->GetType();
    } else {
      view.numbers = v->Numbers().data();
      view.userMissing = !v->GetMissingValues().Empty();
    }
    fColumns.push_back(view);
  }

  fAnalysVarPos.assign(static_cast<size_t>(nCols), -1);
  for (int i = 0; i < fNAnalysVars; ++i) {
    int col = (*s.GetAnalysVarList())[static_cast<size_t>(i)];
    VDT_ASSERT(col >= 0);
    fAnalysVarPos[static_cast<size_t>(col)] = i;
  }

  fMaxNStandRules = static_cast<int>(Data().GetAttributes().Values("$VD.SRule").size());
  size_t nStand = static_cast<size_t>(fMaxNStandRules);
  fVarRuleCounts.assign(static_cast<size_t>(fNAnalysVars) * nStand, 0);
  fVarCounts.assign(static_cast<size_t>(fNAnalysVars), 0);
  fStandRuleCounts.assign(nStand, 0);
  fStandRules.assign(nStand, nullptr);
  fViolStandRules.assign(nStand, nullptr);
  fCaseRuleCounts.assign(nStand, 0);
  if (const auto* all = s.GetAllStandRuleSpecs()) {
    for (const VDTRuleSpecs& r : *all) {
      int n = r.GetRuleInd();
      VDT_ASSERT(n >= 1 && n <= fMaxNStandRules);
      fStandRules[static_cast<size_t>(n - 1)] = &r;
    }
  }

  fMaxNCustRules = static_cast<int>(Data().GetAttributes().Values("$VD.CRule").size());
  fCustRuleCounts.assign(static_cast<size_t>(fMaxNCustRules), 0);
  fCustRules.assign(static_cast<size_t>(fMaxNCustRules), nullptr);
  fViolCustRules.assign(static_cast<size_t>(s.GetNCustRules()), nullptr);
  if (const auto* cust = s.GetCustRuleSpecs()) {
    for (const VDTRuleSpecs& r : *cust) {
      int n = r.GetRuleInd();
      VDT_ASSERT(n >= 1 && n <= fMaxNCustRules);
      fCustRules[static_cast<size_t>(n - 1)] = &r;
    }
  }

  auto addOutcome = [this](int col) {
    if (col < 0 || !fColumns[static_cast<size_t>(col)].numbers) return;
    if (std::find(fOutcomeCols.begin(), fOutcomeCols.end(), col) == fOutcomeCols.end())
      fOutcomeCols.push_back(col);
  };
  for (int i = 0; i < s.GetNStandRules(); ++i)
    addOutcome((*s.GetStandRuleSpecs())[static_cast<size_t>(i)].GetOutcomeVarInd());
  for (int k = 0; k < s.GetNCustRules(); ++k)
    addOutcome((*s.GetCustRuleSpecs())[static_cast<size_t>(k)].GetOutcomeVarInd());

  // Which checks the case work runs (the first pass runs only the duplicate step).
  fFinal = duplicMap == nullptr || fPassInd == 1;
  fDoEmpty = fFinal && (s.GetEmptyCaseCheck() || !s.GetEmptyCaseVarName().empty());
  const bool idWork =
      fNCaseIdVars > 0 && (s.GetIncomplIdCheck() || !s.GetIncomplIdVarName().empty() ||
                           s.GetDuplicIdCheck() || !s.GetDuplicIdVarName().empty());
  fDoIds = fPassInd == 1 || idWork;
  const bool duplicWork =
      fNCaseIdVars > 0 && (s.GetDuplicIdCheck() || !s.GetDuplicIdVarName().empty());
  fDoDuplic = fDoIds && (fPassInd == 1 || duplicWork) && duplicMap != nullptr;
  fDoRules = fFinal && (s.GetNStandRules() >= 1 || s.GetNCustRules() >= 1) &&
             (s.GetSummaryByVar() || s.GetSummaryByRule() || s.GetCaseReportDisplay() ||
              !s.GetRuleViolVarName().empty());

  if (duplicMap) {
    VDT_ASSERT(s.GetDuplicIdCheck() || fDuplicIdVar >= 0 || fPassInd == 0);
    fpDuplicIdMap = duplicMap;
    fKeySpec = duplicMap->GetKeySpec();
    fNCaseIdObs = duplicMap->CellSize() - 3;
    VDT_ASSERT(fNCaseIdObs > 1);
    fKeyBuffer.assign(static_cast<size_t>(fNCaseIdObs), OBS{});
    fRowKey.assign(static_cast<size_t>(fNCaseIdObs), OBS{});
    const auto& ids = *s.GetCaseIdVarList();
    for (size_t i = 0; i < ids.size(); ++i)
      fKeyColumns.push_back(
          {fColumns[static_cast<size_t>(ids[i])], static_cast<size_t>(fKeySpec[i].cells)});
    if (fPassInd == 1) {
      // The groups of the first pass name every case that has a duplicate; the second pass
      // looks up only those in the map: every other case is in no group.
      fInDuplicGroup.assign(Data().CaseCount(), 0);
      for (const auto& group : *fpDuplicIdVec)
        for (long c : group) fInDuplicGroup[static_cast<size_t>(c - 1)] = 1;
    }
  }
}

void VDTProcAdapter::SetOutput(VDTOutput* output) {
  VDT_ASSERT(output != 0);
  fpOutput = output;
}

bool VDTProcAdapter::KeyOfRow(const std::vector<KeyColumn>& columns, size_t row, int split,
                              OBS* key) {
  size_t k = 0;
  for (const KeyColumn& c : columns) {
    if (MissingOrBlank(c.view, row)) return false;
    const void* from = c.view.numbers
                           ? static_cast<const void*>(c.view.numbers + row)
                           : static_cast<const void*>(c.view.cells + row * c.view.cellWidth);
    ObsCopyCells(key + k, from, c.cells);
    k += c.cells;
  }
  key[k].d = static_cast<double>(split);
  return true;
}

uint64_t VDTProcAdapter::KeyHashOfRow(size_t row) const {
  uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (const KeyColumn& c : fKeyColumns) {
    const ColumnView& v = c.view;
    if (MissingOrBlank(v, row)) return 0;
    if (v.numbers) {
      h = (h ^ hashing::NumberBits(v.numbers[row])) * 0xbf58476d1ce4e5b9ULL;
      continue;
    }
    const char* cell = v.cells + row * v.cellWidth;
    for (size_t w = 0; w < c.cells; ++w) {
      uint64_t u;
      std::memcpy(&u, cell + 8 * w, 8);
      h = (h ^ u) * 0xbf58476d1ce4e5b9ULL;
    }
  }
  return hashing::Mix(h) | 1;
}

bool VDTProcAdapter::CheckEmptyCase() {
  const VDTValidSpecs& s = *fpVDTValidSpecs;
  const auto* scope = s.GetAllVarList() ? s.GetAllVarList() : s.GetAnalysVarList();
  bool empty = true;
  if (scope) {
    for (int col : *scope) {
      if (!IsMissingOrBlank(col)) {
        empty = false;
        break;
      }
    }
  }
  if (empty) {
    ++fNEmptyCases;
    if (s.GetEmptyCaseCheck() && fpOutput && scope && !scope->empty())
      fpOutput->AddCaseChecksRow(fCaseIdValues, GetCaseNumber());
  }
  if (fEmptyCaseVar >= 0) GetCaseIterator()->SetColumnValue(fEmptyCaseVar, empty ? 1.0 : 0.0);
  return empty;
}

bool VDTProcAdapter::CheckIncompleteId() {
  bool incomplete = false;
  for (const OBS* v : fCaseIdValues) {
    if (!v) {
      incomplete = true;
      break;
    }
  }
  if (incomplete) {
    ++fNIncompIdCases;
    if (fpVDTValidSpecs->GetIncomplIdCheck() && fpOutput)
      fpOutput->AddIncomplIdRow(fCaseIdValues, GetCaseNumber());
  }
  if (fIncompIdVar >= 0) GetCaseIterator()->SetColumnValue(fIncompIdVar, incomplete ? 1.0 : 0.0);
  return incomplete;
}

bool VDTProcAdapter::ProcessCase() {
  if (fFinal && IsFirstCaseOfSplit() && fpOutput) fpOutput->StartSplit();
  if (fFinal && vdt::GetCaseHook()) vdt::GetCaseHook()(GetCaseNumber());

  const auto* ids = fpVDTValidSpecs->GetCaseIdVarList();
  for (int i = 0; i < fNCaseIdVars; ++i) {
    int col = (*ids)[static_cast<size_t>(i)];
    fCaseIdValues[static_cast<size_t>(i)] =
        IsMissingOrBlank(col) ? nullptr : fCaseValueReaders[static_cast<size_t>(col)]->GetValue();
  }

  if (fDoEmpty) CheckEmptyCase();
  if (fDoIds) {
    bool complete = true;
    for (const OBS* v : fCaseIdValues) {
      if (!v) {
        complete = false;
        break;
      }
    }
    if (fFinal) CheckIncompleteId();
    if (fDoDuplic) CheckDuplicateId(complete);
  }
  if (fDoRules) CheckRules();
  return true;
}

void VDTProcAdapter::MarkCasesToProcess(size_t begin, size_t end, bool ruleCases, char* mark) {
  const size_t n = end - begin;
  std::fill(mark, mark + n, 0);
  if (fDoEmpty) {
    // Cases still empty after each variable of the scope: most leave at the first one.
    const VDTValidSpecs& s = *fpVDTValidSpecs;
    const auto* scope = s.GetAllVarList() ? s.GetAllVarList() : s.GetAnalysVarList();
    fEmptySoFar.resize(n);
    size_t left = 0;
    if (scope && !scope->empty()) {
      // The first variable is read straight through.
      const ColumnView& first = fColumns[static_cast<size_t>(scope->front())];
      for (size_t i = 0; i < n; ++i) {
        fEmptySoFar[left] = static_cast<uint32_t>(i);
        left += MissingOrBlank(first, begin + i) ? 1 : 0;
      }
      for (size_t v = 1; v < scope->size() && left > 0; ++v) {
        const ColumnView& c = fColumns[static_cast<size_t>((*scope)[v])];
        size_t kept = 0;
        for (size_t k = 0; k < left; ++k) {
          const uint32_t i = fEmptySoFar[k];
          fEmptySoFar[kept] = i;
          kept += MissingOrBlank(c, begin + i) ? 1 : 0;
        }
        left = kept;
      }
    } else {
      for (size_t i = 0; i < n; ++i) fEmptySoFar[i] = static_cast<uint32_t>(i);
      left = n;
    }
    for (size_t k = 0; k < left; ++k) mark[fEmptySoFar[k]] = 1;
  }
  if (fDoIds) {
    for (int col : *fpVDTValidSpecs->GetCaseIdVarList()) {
      const ColumnView& c = fColumns[static_cast<size_t>(col)];
      if (c.numbers && !c.userMissing) {
        const double* x = c.numbers + begin;
        for (size_t i = 0; i < n; ++i) mark[i] |= x[i] == MCMV::gMissingValue ? 1 : 0;
      } else if (!c.numbers) {
        // A string with a character other than a blank first is not blank.
        const char* first = c.cells + begin * c.cellWidth;
        for (size_t i = 0; i < n; ++i)
          if (first[i * c.cellWidth] == ' ') mark[i] |= MissingOrBlank(c, begin + i) ? 1 : 0;
      } else {
        for (size_t i = 0; i < n; ++i) mark[i] |= MissingOrBlank(c, begin + i) ? 1 : 0;
      }
    }
  }
  if (fDoDuplic && fPassInd == 1) {
    const uint8_t* inGroup = fInDuplicGroup.data() + begin;
    for (size_t i = 0; i < n; ++i) mark[i] |= static_cast<char>(inGroup[i]);
  }
  if (fDoRules && ruleCases) {
    for (int col : fOutcomeCols) {
      const double* x = fColumns[static_cast<size_t>(col)].numbers + begin;
      for (size_t i = 0; i < n; ++i) mark[i] |= x[i] == 1.0 ? 1 : 0;
    }
  }
}

void VDTProcAdapter::CountStandViolations(const VDTRuleSpecs& rule, int k) {
  const int r = rule.GetRuleInd();
  const int col = rule.GetAnalysVarInd();
  const int position = col >= 0 ? fAnalysVarPos[static_cast<size_t>(col)] : -1;
  if (k == 0 || r < 1 || r > fMaxNStandRules || position < 0 || position >= fNAnalysVars) return;
  fVarRuleCounts[static_cast<size_t>(position) * static_cast<size_t>(fMaxNStandRules) +
                 static_cast<size_t>(r - 1)] += k;
  fVarCounts[static_cast<size_t>(position)] += k;
  fStandRuleCounts[static_cast<size_t>(r - 1)] += k;
  fNStandViolations += k;
}

void VDTProcAdapter::CountCustViolations(const VDTRuleSpecs& rule, int k) {
  const int r = rule.GetRuleInd();
  if (r >= 1 && r <= fMaxNCustRules) fCustRuleCounts[static_cast<size_t>(r - 1)] += k;
  fNCustViolations += k;
}

bool VDTProcAdapter::CaseReportTakesRows() const {
  return fpVDTValidSpecs->GetCaseReportDisplay() &&
         (fCaseLimit == 0 || fNReportedCases <= fCaseLimit);
}

namespace {
// Adds 1 to hits[i] for each i < n where x[i] is 1 and mark[i] is 0; answers how many.
int AddOnes(const double* x, const char* mark, size_t n, int32_t* hits) {
  size_t i = 0;
  int k = 0;
#if defined(__SSE2__)
  // Four cases at a time: the comparisons of their values with 1 and of their marks with 0,
  // as four lanes of -1 (true) or 0, taken from the counts.
  const __m128d one = _mm_set1_pd(1.0);
  const __m128i zero = _mm_setzero_si128();
  __m128i count = zero;
  for (; i + 4 <= n; i += 4) {
    const __m128 isOne = _mm_shuffle_ps(_mm_castpd_ps(_mm_cmpeq_pd(_mm_loadu_pd(x + i), one)),
                                        _mm_castpd_ps(_mm_cmpeq_pd(_mm_loadu_pd(x + i + 2), one)),
                                        _MM_SHUFFLE(2, 0, 2, 0));
    int32_t marks;
    std::memcpy(&marks, mark + i, sizeof marks);
    const __m128i marks32 =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(marks), zero), zero);
    const __m128i hits4 = _mm_and_si128(_mm_castps_si128(isOne), _mm_cmpeq_epi32(marks32, zero));
    __m128i* to = reinterpret_cast<__m128i*>(hits + i);
    _mm_storeu_si128(to, _mm_sub_epi32(_mm_loadu_si128(to), hits4));
    count = _mm_sub_epi32(count, hits4);
  }
  int32_t lanes[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), count);
  k = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
  for (; i < n; ++i) {
    const int hit = (x[i] == 1.0 && mark[i] == 0) ? 1 : 0;
    hits[i] += hit;
    k += hit;
  }
  return k;
}
}  // namespace

void VDTProcAdapter::CountRulesByColumn(size_t begin, size_t end, const char* mark) {
  const VDTValidSpecs& s = *fpVDTValidSpecs;
  const size_t n = end - begin;
  fCaseHits.assign(n, 0);
  // The unmarked cases where a rule's outcome column holds a valid 1: counted, and added to
  // each case's number of rules broken.
  auto broken = [&](int outcomeCol) {
    if (outcomeCol < 0) return 0;
    const ColumnView& c = fColumns[static_cast<size_t>(outcomeCol)];
    if (!c.numbers || (c.userMissing && c.var->IsUserMissing(1.0))) return 0;
    return AddOnes(c.numbers + begin, mark, n, fCaseHits.data());
  };
  const auto* stand = s.GetStandRuleSpecs();
  for (int i = 0; i < s.GetNStandRules(); ++i) {
    const VDTRuleSpecs& rule = (*stand)[static_cast<size_t>(i)];
    CountStandViolations(rule, broken(rule.GetOutcomeVarInd()));
  }
  const auto* cust = s.GetCustRuleSpecs();
  for (int k = 0; k < s.GetNCustRules(); ++k) {
    const VDTRuleSpecs& rule = (*cust)[static_cast<size_t>(k)];
    CountCustViolations(rule, broken(rule.GetOutcomeVarInd()));
  }
  if (fRuleViolVar < 0) return;
  // The whole block at once: marked cases hold 0 here, and the case work sets their values.
  fCaseViolations.resize(n);
  for (size_t i = 0; i < n; ++i) fCaseViolations[i] = static_cast<double>(fCaseHits[i]);
  GetCaseIterator()->SetColumnValues(fRuleViolVar, begin, fCaseViolations.data(), n);
}

void VDTProcAdapter::CheckDuplicateId(bool complete) {
  VDT_ASSERT(fpDuplicIdMap != 0);
  long c = GetCaseNumber();
  // Lookups in a table of millions of keys wait on memory, so the slot of the key 16 cases on
  // is fetched ahead: in the first pass the table of first rows', in the final pass the
  // map's, and then the entry that slot points to 8 cases on.
  constexpr size_t kAhead = 16;
  const size_t row = GetCaseIterator()->Row();
  const PreparedBlock* p = PreparedFor(row);
  const size_t i = p ? row - p->begin : 0;
  const size_t size = p ? p->end - p->begin : 0;
  if (p && i + kAhead < size && p->lookup[i + kAhead]) {
    if (fPassInd == 0) {
      fFirstRows.Prefetch(static_cast<size_t>(p->hash[i + kAhead]));
    } else {
      fpDuplicIdMap->Prefetch(p->hash[i + kAhead]);
    }
  }
  if (p && fPassInd == 1 && i + kAhead / 2 < size && p->lookup[i + kAhead / 2])
    fpDuplicIdMap->PrefetchEntry(p->hash[i + kAhead / 2]);

  double* payload = nullptr;
  // In the second pass a complete key outside every group has group index 0: no lookup.
  const bool lookup = complete && (fPassInd == 0 || fInDuplicGroup[row]);
  if (lookup) {
    // The key: each identifier's whole cells, then the split-group number.
    size_t k = 0;
    for (size_t v = 0; v < fCaseIdValues.size(); ++v) {
      int cells = fKeySpec[v].cells;
      ObsCopyCells(&fKeyBuffer[k], fCaseIdValues[v], static_cast<size_t>(cells));
      k += static_cast<size_t>(cells);
    }
    fKeyBuffer[k].d = static_cast<double>(GetSplitGroupNumber());
    const uint64_t h = p ? p->hash[i] : fpDuplicIdMap->Hash(fKeyBuffer.data());
    if (fPassInd == 0) {
      AddFirstPassKey(fKeyBuffer.data(), h, row);
      return;
    }
    payload = fpDuplicIdMap->Contains(fKeyBuffer.data(), h);
  }
  if (fPassInd == 0) return;

  int g = 0;
  if (lookup) {
    const double* pValueObs = payload;
    VDT_ASSERT(pValueObs != 0);
    g = static_cast<int>(payload[0]);
  }
  double n = 0;
  bool firstOfGroup = false;
  if (g > 0) {
    size_t groupId = static_cast<size_t>(g);
    VDT_ASSERT(groupId <= fpDuplicIdVec->size());
    if (static_cast<double>(c) == payload[1]) {
      ++fNDuplicGroups;
      n = fGroupIdBase + fNDuplicGroups;
      payload[2] = n;
      firstOfGroup = true;
    } else {
      n = payload[2];
    }
    double globalGroupId = n;
    VDT_ASSERT(globalGroupId > 0);
  }
  if (firstOfGroup && fpVDTValidSpecs->GetDuplicIdCheck()) {
    VDT_ASSERT(fpOutput != 0);
    fpOutput->AddDuplicIdRow(fCaseIdValues, (*fpDuplicIdVec)[static_cast<size_t>(g - 1)],
                             static_cast<int>(n));
  }
  if (fDuplicIdVar >= 0) GetCaseIterator()->SetColumnValue(fDuplicIdVar, n);
}

void VDTProcAdapter::SizeFirstRows() {
  // Room for a key a case, at most three in four slots used (so a row of the group is below
  // the slots, the entries of the table); a table far too large for the group is made anew
  // rather than emptied.
  const size_t rows = GetSplitGroupSize();
  VDT_ASSERT(rows < (size_t{1} << 31));
  size_t slots = 64;
  while (slots * 3 < 4 * rows + 4) slots *= 2;
  if (slots > fFirstRows.Size() || 8 * slots < fFirstRows.Size()) {
    fFirstRows = SlotTable();
    fFirstRows.Assign(slots, slots, WorkerThreads());
  } else {
    fFirstRows.Clear();
  }
  fFirstRowsSized = true;
}

bool VDTProcAdapter::ProcessSplitAtOnce(size_t begin, size_t end,
                                        const RepeatFinder::OnTwoThreads& both) {
  if (fPassInd != 0 || !fpDuplicIdMap || vdt::GetCaseHook()) return false;
  // The complete keys by their hashes; keys of one hash compared whole, each thread building
  // them in a buffer of its own (cache lines apart, or one line would move between the
  // cores).
  const int split = GetSplitGroupNumber();
  const size_t cells = static_cast<size_t>(fNCaseIdObs);
  const size_t apart = 2 * cells + 16;
  std::vector<OBS> keys(2 * apart);
  const ObsVecMap& map = *fpDuplicIdMap;
  auto hash = [&](size_t r, int) { return KeyHashOfRow(begin + r); };
  auto same = [&](size_t a, size_t b, int part) {
    OBS* first = keys.data() + static_cast<size_t>(part) * apart;
    OBS* second = first + cells;
    KeyOfRow(fKeyColumns, begin + a, split, first);
    KeyOfRow(fKeyColumns, begin + b, split, second);
    return map.Equal(first, second);
  };
  auto fetch = [&](size_t r) {
    for (const KeyColumn& c : fKeyColumns) {
      const ColumnView& v = c.view;
      if (v.numbers) {
        __builtin_prefetch(v.numbers + begin + r);
      } else {
        __builtin_prefetch(v.cells + (begin + r) * v.cellWidth);
      }
    }
  };
  if (!fRepeats.Find(end - begin, hash, same, fetch, both)) return false;
  // The cases met again in case order: a key's second case makes its group, as case by case.
  // The first rows, anywhere in the group, are fetched a few cases ahead.
  constexpr size_t kAhead = 8;
  const std::vector<RepeatFinder::Ref>& repeats = fRepeats.Repeats();
  const std::vector<uint32_t>& firstRows = fRepeats.FirstRows();
  std::vector<size_t> groupOf(firstRows.size(), 0);
  fpDuplicIdMap->Reserve(firstRows.size());
  fpDuplicIdVec->reserve(fpDuplicIdVec->size() + firstRows.size());
  OBS* key = keys.data();
  for (size_t i = 0; i < repeats.size(); ++i) {
    if (i + kAhead < repeats.size()) fetch(firstRows[repeats[i + kAhead].id]);
    const RepeatFinder::Ref& r = repeats[i];
    const long c = static_cast<long>(begin + r.row) + 1;
    size_t& g = groupOf[r.id];
    if (g == 0) {
      const size_t first = begin + firstRows[r.id];
      KeyOfRow(fKeyColumns, first, split, key);
      bool added = false;
      double* payload = fpDuplicIdMap->Insert(key, map.Hash(key), &added);
      VDT_ASSERT(added);
      CountFirstPassKey(payload, true, static_cast<long>(first) + 1);
      CountFirstPassKey(payload, false, c);
      g = static_cast<size_t>(payload[0]);
    } else {
      (*fpDuplicIdVec)[g - 1].push_back(c);
    }
  }
  return true;
}

void VDTProcAdapter::AddFirstPassKey(const OBS* key, uint64_t h, size_t row) {
  if (!fFirstRowsSized) SizeFirstRows();
  const size_t groupBegin = GetSplitBegin();
  const uint32_t tag = fFirstRows.Tag(h);
  SlotTable::Slot& slot = fFirstRows.Find(static_cast<size_t>(h), [&](SlotTable::Slot s) {
    if (!fFirstRows.Holds(s, tag)) return false;
    KeyOfRow(fKeyColumns, groupBegin + fFirstRows.Entry(s), GetSplitGroupNumber(), fRowKey.data());
    return fpDuplicIdMap->Equal(fRowKey.data(), key);
  });
  if (slot == 0) {
    slot = fFirstRows.Make(static_cast<uint32_t>(row - groupBegin), tag);
    return;
  }
  // The key comes back: the map takes it as it would have at its first row.
  const size_t first = groupBegin + fFirstRows.Entry(slot);
  bool added = false;
  double* payload = fpDuplicIdMap->Insert(key, h, &added);
  if (added) CountFirstPassKey(payload, true, static_cast<long>(first) + 1);
  CountFirstPassKey(payload, false, static_cast<long>(row) + 1);
}

void VDTProcAdapter::CountFirstPassKey(double* payload, bool added, long c) {
  if (added) {
    payload[0] = 0;
    payload[1] = static_cast<double>(c);
    payload[2] = 0;
    return;
  }
  long origCaseCount = static_cast<long>(payload[1]);
  long globalCaseCount = c;
  VDT_ASSERT(origCaseCount < globalCaseCount);
  int g = static_cast<int>(payload[0]);
  if (g > 0) {
    size_t nDuplicGroups = fpDuplicIdVec->size();
    int origLocalGroupInd = g - 1;
    VDT_ASSERT(static_cast<size_t>(origLocalGroupInd) < nDuplicGroups);
    (*fpDuplicIdVec)[static_cast<size_t>(origLocalGroupInd)].push_back(c);
  } else {
    fpDuplicIdVec->push_back({origCaseCount, c});
    payload[0] = static_cast<double>(fpDuplicIdVec->size());
    ++fNDuplicGroups;
  }
}

const VDTProcAdapter::PreparedBlock* VDTProcAdapter::PreparedFor(size_t row) {
  const PreparedBlock* p = &fPrepared[fCurrentPrepared];
  if (row >= p->begin && row < p->end) return p;
  const int next = (fCurrentPrepared + 1) % kPreparedBuffers;
  p = &fPrepared[next];
  if (row < p->begin || row >= p->end) return nullptr;
  fCurrentPrepared = next;
  return p;
}

void VDTProcAdapter::PrepareCases(size_t begin, size_t end) {
  if (!fpDuplicIdMap) return;
  // Only the data and this call's buffer are touched: the cases of the buffer filled before
  // may be processed meanwhile.
  PreparedBlock& p = fPrepared[fNextPrepared];
  fNextPrepared = (fNextPrepared + 1) % kPreparedBuffers;
  const size_t n = end - begin;
  const size_t cells = static_cast<size_t>(fNCaseIdObs);
  p.begin = begin;
  p.end = end;
  p.keys.resize(n * cells);
  p.hash.assign(n, 0);
  p.lookup.assign(n, 0);
  const int split = GetSplitGroupNumber();
  // What the loop reads of the adapter is copied first: the processing thread writes the
  // adapter's counters meanwhile, and members read for every case could share their cache
  // lines, which would then move between the cores case after case.
  std::vector<KeyColumn> columns;
  const auto& ids = *fpVDTValidSpecs->GetCaseIdVarList();
  for (size_t i = 0; i < ids.size(); ++i)
    columns.push_back(
        {fColumns[static_cast<size_t>(ids[i])], static_cast<size_t>(fKeySpec[i].cells)});
  const ObsVecMap& map = *fpDuplicIdMap;
  // The second pass looks up only the cases of duplicate groups.
  const bool onlyGroups = fPassInd == 1;
  const uint8_t* inGroup = onlyGroups ? fInDuplicGroup.data() + begin : nullptr;
  for (size_t i = 0; i < n; ++i) {
    if (onlyGroups && !inGroup[i]) continue;
    OBS* key = &p.keys[i * cells];
    p.lookup[i] = KeyOfRow(columns, begin + i, split, key);
    if (p.lookup[i]) p.hash[i] = map.Hash(key);
  }
}

size_t VDTProcAdapter::ProcessCases(size_t begin, size_t end) {
  if (fFinal) return ProcessFinalCases(begin, end);
  const PreparedBlock* p = fpDuplicIdMap && fPassInd == 0 ? PreparedFor(begin) : nullptr;
  if (!p || end > p->end) return UAInputAdapter::ProcessCases(begin, end);
  // The first pass: the prepared keys in case order, each fetching the slot of the key 16
  // cases on.
  constexpr size_t kAhead = 16;
  const size_t cells = static_cast<size_t>(fNCaseIdObs);
  const size_t last = end - p->begin;
  for (size_t i = begin - p->begin; i < last; ++i) {
    if (i + kAhead < last && p->lookup[i + kAhead]) fFirstRows.Prefetch(p->hash[i + kAhead]);
    if (p->lookup[i]) AddFirstPassKey(&p->keys[i * cells], p->hash[i], p->begin + i);
  }
  return end - begin;
}

size_t VDTProcAdapter::ProcessFinalCases(size_t begin, size_t end) {
  // A test hook sees every case.
  if (vdt::GetCaseHook()) return UAInputAdapter::ProcessCases(begin, end);
  // Most cases break no rule and have complete identifiers that no other case shares, and
  // some valid value: such a case is counted nowhere, reported nowhere, and its saved
  // variables are 0. The block's saved values are set to 0 column by column; the case work
  // runs for the other cases alone, in case order, and sets their saved values itself.
  // Once the case report has taken its rows (or when there is none), the rules broken by
  // cases that need no case work for another reason are counted a rule at a time.
  const size_t n = end - begin;
  const bool ruleCases = CaseReportTakesRows();
  fToProcess.resize(n);
  MarkCasesToProcess(begin, end, ruleCases, fToProcess.data());
  if (IsFirstCaseOfSplit()) fToProcess[0] = 1;  // it starts the split group's output
  ZIRA_InputCaseIterator* cases = GetCaseIterator();
  if (fDoEmpty && fEmptyCaseVar >= 0) cases->SetColumnValues(fEmptyCaseVar, begin, end, 0.0);
  if (fDoIds && fIncompIdVar >= 0) cases->SetColumnValues(fIncompIdVar, begin, end, 0.0);
  if (fDoDuplic && fDuplicIdVar >= 0) cases->SetColumnValues(fDuplicIdVar, begin, end, 0.0);
  // Counting the rules by column writes every case's number of rules broken.
  if (fDoRules && fRuleViolVar >= 0 && ruleCases)
    cases->SetColumnValues(fRuleViolVar, begin, end, 0.0);
  if (fDoRules && !ruleCases) CountRulesByColumn(begin, end, fToProcess.data());
  return ProcessMarkedCases(begin, end, fToProcess.data());
}

bool VDTProcAdapter::IsViolated(int outcomeCol) const {
  if (outcomeCol < 0) return false;
  const ColumnView& c = fColumns[static_cast<size_t>(outcomeCol)];
  if (!c.numbers) return false;
  const double x = c.numbers[GetCaseIterator()->Row()];
  return x == 1.0 && !(c.userMissing && c.var->IsUserMissing(x));
}

bool VDTProcAdapter::AnyOutcomeIsOne(size_t row) const {
  for (int col : fOutcomeCols)
    if (fColumns[static_cast<size_t>(col)].numbers[row] == 1.0) return true;
  return false;
}

void VDTProcAdapter::CheckRules() {
  if (!AnyOutcomeIsOne(GetCaseIterator()->Row())) {
    // No rule broken: nothing counted, nothing reported.
    if (fRuleViolVar >= 0) GetCaseIterator()->SetColumnValue(fRuleViolVar, 0.0);
    return;
  }
  const VDTValidSpecs& s = *fpVDTValidSpecs;
  bool report = s.GetCaseReportDisplay();
  std::fill(fViolStandRules.begin(), fViolStandRules.end(), nullptr);
  std::fill(fViolCustRules.begin(), fViolCustRules.end(), nullptr);
  if (report) std::fill(fCaseRuleCounts.begin(), fCaseRuleCounts.end(), 0);
  int n = 0;

  const auto* stand = s.GetStandRuleSpecs();
  for (int i = 0; i < s.GetNStandRules(); ++i) {
    const VDTRuleSpecs& rule = (*stand)[static_cast<size_t>(i)];
    if (!IsViolated(rule.GetOutcomeVarInd())) continue;
    CountStandViolations(rule, 1);
    const int r = rule.GetRuleInd();
    ++n;
    if (report && r >= 1 && r <= fMaxNStandRules) {
      fViolStandRules[static_cast<size_t>(r - 1)] = fStandRules[static_cast<size_t>(r - 1)];
      ++fCaseRuleCounts[static_cast<size_t>(r - 1)];
    }
  }

  const auto* cust = s.GetCustRuleSpecs();
  for (int k = 0; k < s.GetNCustRules(); ++k) {
    const VDTRuleSpecs& rule = (*cust)[static_cast<size_t>(k)];
    if (!IsViolated(rule.GetOutcomeVarInd())) continue;
    CountCustViolations(rule, 1);
    ++n;
    if (report) fViolCustRules[static_cast<size_t>(k)] = &rule;
  }

  // The test lets one case more than the limit through: the output object shows at most the
  // limit and notes on that extra case that more cases had violations.
  if (report && n > 0 && n >= fMinViolations &&
      (fCaseLimit == 0 || fNReportedCases <= fCaseLimit)) {
    if (fpOutput)
      fpOutput->AddCaseReportRow(fViolStandRules, fCaseRuleCounts, fViolCustRules, fCaseIdValues,
                                 GetCaseNumber());
    ++fNReportedCases;
  }
  if (fRuleViolVar >= 0) GetCaseIterator()->SetColumnValue(fRuleViolVar, static_cast<double>(n));
}

void VDTProcAdapter::PrepareNewSplit() {
  fFirstRowsSized = false;
  // Blocks are prepared afresh in each split group.
  for (PreparedBlock& p : fPrepared) p.begin = p.end = 0;
  fNextPrepared = fCurrentPrepared = 0;
  std::fill(fViolStandRules.begin(), fViolStandRules.end(), nullptr);
  std::fill(fViolCustRules.begin(), fViolCustRules.end(), nullptr);
  fGroupIdBase += fNDuplicGroups;
  fNIncompIdCases = 0;
  fNDuplicGroups = 0;
  fNEmptyCases = 0;
  std::fill(fVarRuleCounts.begin(), fVarRuleCounts.end(), 0);
  std::fill(fVarCounts.begin(), fVarCounts.end(), 0);
  std::fill(fStandRuleCounts.begin(), fStandRuleCounts.end(), 0);
  std::fill(fCustRuleCounts.begin(), fCustRuleCounts.end(), 0);
  fNStandViolations = 0;
  fNCustViolations = 0;
  fNReportedCases = 0;
}

int VDTProcAdapter::GetStandRuleCount(int r) const {
  if (r < 1 || r > fMaxNStandRules) return 0;
  return fStandRuleCounts[static_cast<size_t>(r - 1)];
}

int VDTProcAdapter::GetCustRuleCount(int r) const {
  if (r < 1 || r > fMaxNCustRules) return 0;
  return fCustRuleCounts[static_cast<size_t>(r - 1)];
}

int VDTProcAdapter::GetVarRuleCount(int p, int r) const {
  if (r < 1 || r > fMaxNStandRules || p < 0 || p >= fNAnalysVars) return 0;
  return fVarRuleCounts[static_cast<size_t>(p) * static_cast<size_t>(fMaxNStandRules) +
                        static_cast<size_t>(r - 1)];
}

int VDTProcAdapter::GetRuleCountsOverVars(int iRule, std::vector<int>* counts) const {
  VDT_ASSERT(iRule >= 1 && iRule <= fMaxNStandRules);
  counts->assign(static_cast<size_t>(fNAnalysVars), 0);
  for (int p = 0; p < fNAnalysVars; ++p)
    (*counts)[static_cast<size_t>(p)] = GetVarRuleCount(p, iRule);
  return fStandRuleCounts[static_cast<size_t>(iRule - 1)];
}

int VDTProcAdapter::GetVarCountsOverRules(int iVar, std::vector<int>* counts) const {
  VDT_ASSERT(iVar >= 0 && iVar < fNAnalysVars);
  counts->assign(static_cast<size_t>(fMaxNStandRules), 0);
  for (int r = 1; r <= fMaxNStandRules; ++r)
    (*counts)[static_cast<size_t>(r - 1)] = GetVarRuleCount(iVar, r);
  return fVarCounts[static_cast<size_t>(iVar)];
}
