// The verbs of qpbench.exe, the Windows half of the notifier's benchmarks.
#pragma once

namespace qpbench {

int Usage();
// Each takes the arguments after its verb, argv[0] being the verb.
int CheckCost(int argc, wchar_t** argv);
int BareTray(int argc, wchar_t** argv);
int Drive(int argc, wchar_t** argv);

}  // namespace qpbench
