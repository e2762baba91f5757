#include "authoring/CSelectedWord.h"

namespace kestrin::authoring {

const std::string& CSelectedWord::IntelliWord() const { return m_strIntelliWord; }

void CSelectedWord::setIntelliWord(const std::string& word) { m_strIntelliWord = word; }

}  // namespace kestrin::authoring
