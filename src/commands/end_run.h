#ifndef COMMANDS_END_RUN_H_
#define COMMANDS_END_RUN_H_

// Ends a run of the tool early with an exit status, once the run has written
// all it has to say: a refused command line, -h, or a check inside a run-phase
// block. Thrown where the decision is made and caught only by main, which
// returns status.
//
// It is deliberately no Quorvic::Lib::QuorvicException (nor any standard
// exception): the commands' handlers and the run phase's let it through, so
// no later block runs and nothing more is printed, while unwinding releases
// what the blocks hold (a switch holding the host's writer lock, the host
// connection) before the process ends.
struct EndRun {
  int status;
};

#endif  // COMMANDS_END_RUN_H_
