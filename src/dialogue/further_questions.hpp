#pragma once
// What a person at a terminal is asked once the questions of the traverse are answered:
// the further results and how the instruments are used, one number a question, defaults
// in brackets. An empty answer takes the default, and the defaults change nothing, so a
// person pressing Enter throughout gets the two files of every run. Answers from a file
// or a pipe are never asked these questions.
#include <string>

#include "dialogue/console.hpp"
#include "dialogue/run_settings.hpp"

namespace elipses {

// What the questions depend on.
struct FurtherQuestions {
  bool closed = false;           // the traverse has redundancy (adjustment and reliability apply)
  bool heights_offered = false;  // every record of the file has a third value: the heights are asked about
  bool loop = false;             // closed on its first point: one known height
};

// The answers change the further results, the instruments' use and the heights; what the
// command line gave is the default of its question.
void ask_further_questions(Console& console, const FurtherQuestions& asked, RunSettings& settings);

// After a double-click on Windows: offers to open the finished report in the browser.
void offer_to_open_report(Console& console, const std::string& path);

}  // namespace elipses
