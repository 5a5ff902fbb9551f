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

// `closed`: the traverse has redundancy (adjustment and reliability apply). The answers
// change the further results and the instruments' use; what the command line gave is the
// default of its question.
void ask_further_questions(Console& console, bool closed, RunSettings& settings);

// After a double-click on Windows: offers to open the finished report in the browser.
void offer_to_open_report(Console& console, const std::string& path);

}  // namespace elipses
