#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace qz {

// Positions are in twips (1440 to the inch), as the window toolkit lays them
// out: the Windows window places its controls by them; the headless window
// of the Linux build only keeps them.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Label {
  bool exists = false;
  std::string Caption;
  bool Visible = true;
  Rect position;
};

class CommandButton {
 public:
  bool exists = false;
  std::string Caption;
  bool Visible = true;
  Rect position;
  std::function<void()> Click;

  // Setting Value to true presses the button: its click handler runs at
  // once, to its end, before this returns.
  void set_Value(bool value);
};

struct Timer {
  bool exists = false;
  int Interval = 1000;  // milliseconds
  bool Enabled = true;
  int left = 0;
  int top = 0;
  std::function<void()> Timer_tick;
};

struct Form_jeu;

struct LabelSpec {
  Label Form_jeu::*label;
  std::string_view caption;
  Rect position;
};

struct ButtonSpec {
  CommandButton Form_jeu::*button;
  std::string_view caption;
  Rect position;
};

struct TimerSpec {
  int interval_ms;
  int left;
  int top;
};

// The controls of one kind of window, as the toolkit would create them.
struct WindowLayout {
  Rect client;
  std::span<const LabelSpec> question_labels;
  std::span<const LabelSpec> labels;
  std::span<const ButtonSpec> buttons;
  const TimerSpec* timer = nullptr;  // null: no timer
};

// The module's one window. Controls a kind of window lacks keep
// exists == false; pressing such a button is a programming error.
struct Form_jeu {
  explicit Form_jeu(const WindowLayout& layout);

  std::string Caption = "Form1";
  Rect client;

  Label Label_question;
  Label Label_reponse1;
  Label Label_reponse2;
  Label Label_reponse3;
  Label Label_reponse4;
  Label Label_Bonne_reponse;
  Label Label_numero4;
  Label Label_image;
  Label Label_musiques_sons;
  Label Label_do;
  Label Label_re;
  Label Label_mi;
  Label Label_fa;
  Label Label_sol;
  Label Label_la;
  Label Label_si;
  Label Label_timer;

  CommandButton Command1;
  CommandButton Command2;
  CommandButton Command3;
  CommandButton Command4;
  CommandButton Command5;
  CommandButton Command_sons_musiques;

  Timer Timer1;

  // Unloading destroys the window with its timer; the run ends with it.
  void Unload();
  [[nodiscard]] bool unloaded() const { return unloaded_; }

 private:
  bool unloaded_ = false;
};

}  // namespace qz
