// Placeholders for the DVPort, restore, ENS and timeout blocks until they are written.
#include "commands/blocks.h"

void DVPortUplinkBlock(RunContext&) {}
void TestSyncZetBlock(RunContext&) {}
void RestoreBlock(RunContext&) {}
void RestoreUplinksBlock(RunContext&) {}
void ActivateEnsBlock(RunContext&) {}
void DeactivateEnsBlock(RunContext&) {}
void ReassociateEnsBlock(RunContext&) {}
void LoadUplinkTimeoutBlock(RunContext&) {}
void GetUplinkTimeoutBlock(RunContext&) {}
void LoadLagTimeoutBlock(RunContext&) {}
void GetLagTimeoutBlock(RunContext&) {}
void SetEnsActivateNode() {}
