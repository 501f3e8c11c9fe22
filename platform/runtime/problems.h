// Content problems, named on stderr for the author and never shown to the player. Called from anywhere
// (the audio thread too); the interpreter marks each of its steps as one burst, so that what one step
// writes stays a few lines however many files it names.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Name a content problem on stderr ("<program>: <message>", the program set by setProblemProgram). Control
// characters are written as \xNN, and a message is cut at kMaxProblemBytes. Folded:
//  - by text: a message identical to one already written is counted, not written: "... and N more like
//    it: <message>" follows at flushProblems (at exit, and where a test wants it), or every 10 s while it
//    keeps coming (flushProblemsIfDue, from the event loop);
//  - within a burst (one step of the interpreter), by kind, a plural noun ("missing pictures"): only
//    kNamedPerKind different problems of one kind are named, the rest counted and summed up when the
//    burst ends: "... and 999,999 more missing pictures"; and at most kNamedPerBurst problems are named
//    in all, the rest counted by kind ("... and N more problems" for those without one).
inline constexpr size_t kMaxProblemBytes = 1024;
inline constexpr size_t kNamedPerKind = 3;
inline constexpr size_t kNamedPerBurst = 24;
void reportProblem(const std::string& message, std::string_view kind = {});
void flushProblems();       // write the counts and forget what was written
void flushProblemsIfDue();  // write the counts if 10 s passed; keep counting what still comes

// One burst of work, a step of the interpreter: its counts by kind are written when it ends (a count that
// comes again every step is folded as any repeated message). Bursts may nest; the outermost one counts.
class ProblemBurst {
 public:
  ProblemBurst();
  ~ProblemBurst();
  ProblemBurst(const ProblemBurst&) = delete;
  ProblemBurst& operator=(const ProblemBurst&) = delete;
};

// The name each line on stderr starts with, set by the program once at its start (until then, none).
void setProblemProgram(std::string_view program);
// Whether problems reach stderr at all. A program that turns each problem into output of its own (the
// content checker, through the listener) turns it off; the counting and the listener are unchanged.
void setProblemsOnStderr(bool on);

// Also hand each problem written (counts included) to `listener`; empty: stderr alone.
void setProblemListener(std::function<void(const std::string&)> listener);

}  // namespace platform
