#include "note_reading/generator.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace qz::note_reading {
namespace {

using Button = CommandButton Form_jeu::*;

constexpr std::array<Label Form_jeu::*, 4> kAnswerLabels = {
    &Form_jeu::Label_reponse1, &Form_jeu::Label_reponse2, &Form_jeu::Label_reponse3,
    &Form_jeu::Label_reponse4};

// The window-level variables the steps share for one run.
struct NoteSteps {
  Clef clef;
  PositionTable positions;
  std::int16_t current_draw = 0;
  std::int16_t position_draw = 0;
};

const Note& note(int number) { return notes()[static_cast<std::size_t>(number - 1)]; }

void take_note(Form_jeu& form, int number, Label& answer) {
  (form.*note(number).label).Visible = false;
  answer.Caption = note(number).answer;
}

void first_answer(Form_jeu& form, UniformSource& random, NoteSteps& steps) {
  form.Label_question.Caption = "Quel est le nom de cette note?";
  steps.current_draw = draw(random, kNoteCount);
  take_note(form, steps.current_draw, form.Label_reponse1);
  form.Command2.set_Value(true);
}

void further_answer(Form_jeu& form, UniformSource& random, NoteSteps& steps,
                    Label Form_jeu::*answer, Button own, Button next) {
  steps.current_draw = draw(random, kNoteCount);
  if ((form.*note(steps.current_draw).label).Visible) {
    take_note(form, steps.current_draw, form.*answer);
    (form.*next).set_Value(true);
  } else {
    (form.*own).set_Value(true);  // already an answer: start this step over
  }
}

int note_named(const std::string& answer) {
  for (int number = 1; number <= kNoteCount; ++number) {
    if (note(number).answer == answer) {
      return number;
    }
  }
  throw std::logic_error("answer \"" + answer + "\" is no note");
}

void correct_answer_and_position(Form_jeu& form, UniformSource& random, NoteSteps& steps) {
  steps.current_draw = draw(random, 4);
  form.Label_Bonne_reponse.Caption = std::to_string(steps.current_draw);
  const std::string& answer =
      (form.*kAnswerLabels[static_cast<std::size_t>(steps.current_draw - 1)]).Caption;
  const std::vector<int>& list = steps.positions[static_cast<std::size_t>(note_named(answer) - 1)];
  if (list.empty()) {
    throw std::logic_error("note \"" + answer + "\" has no position in this module");
  }
  const int count = static_cast<int>(list.size());
  steps.position_draw = count >= 2 ? draw(random, count) : std::int16_t{1};
  const std::string name =
      position_name(steps.clef, list[static_cast<std::size_t>(steps.position_draw - 1)]);
  form.Label_image.Caption = name;
  form.Label_musiques_sons.Caption = name;
}

}  // namespace

Generator note_generator(Clef clef, PositionTable positions) {
  auto steps = std::make_shared<NoteSteps>(NoteSteps{clef, std::move(positions)});
  Generator generator;
  generator.attach = [steps](Form_jeu& form, UniformSource& random) {
    using F = Form_jeu;
    form.Command1.Click = [&form, &random, steps] { first_answer(form, random, *steps); };
    form.Command2.Click = [&form, &random, steps] {
      further_answer(form, random, *steps, &F::Label_reponse2, &F::Command2, &F::Command3);
    };
    form.Command3.Click = [&form, &random, steps] {
      further_answer(form, random, *steps, &F::Label_reponse3, &F::Command3, &F::Command4);
    };
    form.Command4.Click = [&form, &random, steps] {
      further_answer(form, random, *steps, &F::Label_reponse4, &F::Command4, &F::Command5);
    };
    form.Command5.Click = [&form, &random, steps] {
      correct_answer_and_position(form, random, *steps);
    };
  };
  generator.run = [](Form_jeu& form, UniformSource& /*random*/) { form.Command1.set_Value(true); };
  return generator;
}

}  // namespace qz::note_reading
