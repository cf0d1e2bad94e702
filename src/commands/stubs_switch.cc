// Placeholders for the switch configuration blocks until they are written.
#include "commands/blocks.h"

void CdpBlock(RunContext&) {}
void SetMaxActiveBlock(RunContext&) {}
void GetMaxActiveBlock(RunContext&) {}
void MtuBlock(RunContext&) {}
