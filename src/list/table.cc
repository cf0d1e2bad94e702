#include "list/table.h"

#include "commands/output.h"

void SetLeftJustified() { std::cout.setf(std::ios_base::left); }

void EndLine() { Line::EndLine(std::cout); }
