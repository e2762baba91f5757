// CSelectedWord: the completion word at the caret, which the main window's
// completion and tip handlers share (frmMain::CWord). It starts empty and
// gives back what it was given; it raises no errors.
#pragma once

#include <string>

namespace kestrin::authoring {

class CSelectedWord {
 public:
  const std::string& IntelliWord() const;
  void setIntelliWord(const std::string& word);

 private:
  std::string m_strIntelliWord;
};

}  // namespace kestrin::authoring
