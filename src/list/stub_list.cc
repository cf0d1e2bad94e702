// Placeholder for the list block until the listings are written.
#include "commands/blocks.h"

void ListBlock(RunContext&) {}
