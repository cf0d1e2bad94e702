#include "list/table.h"

void SetLeftJustified() { std::cout.setf(std::ios_base::left); }

void EndLine() { std::cout << '\n' << std::flush; }
