#pragma once

#include <initializer_list>

class QHBoxLayout;
class QPushButton;

// A window's buttons in a row at its right, in the order given. None of them is pressed by
// Enter: in these windows Enter belongs to the list or the box that has the focus.
QHBoxLayout* NewButtonRow(std::initializer_list<QPushButton*> buttons);
