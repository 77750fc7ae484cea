#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>

#include "banks/bank_rows.hpp"
#include "shell/form.hpp"
#include "shell/module.hpp"
#include "shell/random_draw.hpp"

namespace qz::banks {

// The code module the banks share. Each bank's tirer_question sets the
// window's labels in its own order around one draw of a row.
struct Module_questions {
  std::int16_t current_question_number = 0;  // the row drawn, 1..N

  // Reseeds, takes one uniform r and keeps n = floor(r * N) + 1; returns
  // row n of the bank.
  template <typename Row>
  const Row& draw_row(std::span<const Row> rows, UniformSource& random) {
    current_question_number = draw(random, static_cast<int>(rows.size()));
    return rows[static_cast<std::size_t>(current_question_number - 1)];
  }
};

// Readies the window for a three-answer question: the fourth answer emptied,
// then it and its number hidden.
void masquer_reponse4(Form_jeu& form);

// The question, answers 1 to 3 and the correct position of a row, in this
// order.
void show_three_answer_row(Form_jeu& form, const ThreeAnswerRow& row);

using TirerQuestion = void (*)(Form_jeu&, UniformSource&, Module_questions&);

// A bank module's generator: a direct call of its tirer_question.
Generator bank_generator(TirerQuestion tirer_question);

}  // namespace qz::banks
