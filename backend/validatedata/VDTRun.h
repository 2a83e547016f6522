// The VALIDATEDATA run: parses the current command against the active dataset, runs the
// passes and writes the report. VALIDATE, the library's entry point, calls it; tests call it
// directly inside a session.
#pragma once

namespace vdt {
// A hook the tests use to raise the host's interrupt during a pass: called before every case
// of the final pass with the case number. Null in normal runs.
using CaseHook = void (*)(long caseNumber);
void SetCaseHookForTesting(CaseHook hook);
CaseHook GetCaseHook();

void RunValidateData();
}  // namespace vdt
