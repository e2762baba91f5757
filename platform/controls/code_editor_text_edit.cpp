// The code editor's text, edited: a replacement walks to the leaves it
// touches, cuts a chunk that grows too long, joins or drops the ones that
// shrink, and keeps the counts of every node on the way up in step.
#include <algorithm>
#include <functional>

#include "platform/controls/code_text_tree.h"

namespace platform::controls {

using namespace text_tree;

void CodeText::noteChange(uint64_t from) {
  ++revision_;
  // A character that ends at or after `from` may have been made or broken
  // by the change: it starts at most three bytes before.
  changes_[revision_ % kChanges] = {revision_, from > 3 ? from - 3 : 0};
}

uint64_t CodeText::changedSince(uint64_t revision) const {
  if (revision >= revision_) return npos;
  if (revision_ - revision > kChanges) return 0;
  uint64_t first = npos;
  for (uint64_t r = revision + 1; r <= revision_; ++r) first = std::min(first, changes_[r % kChanges].from);
  return first;
}

void CodeText::replaceAt(uint64_t from, uint64_t to, std::string_view text) {
  if (from == to && text.empty()) return;
  noteChange(from);
  const Sum before = total_;
  replaceRange(from, to, text, true);
  collapseRoot();
  // A line that starts at or before the edit keeps its number and start; one
  // that starts after it moves by what the edit made of the whole text (its
  // line feed before it, untouched, keeps the characters after it whole).
  for (LineStart& c : lineCache_) {
    if (c.line < 0 || c.bytes <= from) continue;
    if (c.bytes <= to) {
      c.line = -1;
      continue;
    }
    c.bytes = c.bytes - before.bytes + total_.bytes;
    c.chars = c.chars - before.chars + total_.chars;
    c.line = static_cast<int32_t>(static_cast<int64_t>(c.line) - static_cast<int64_t>(before.breaks) +
                                  static_cast<int64_t>(total_.breaks));
  }
}

void CodeText::replaceRange(uint64_t from, uint64_t to, std::string_view text, bool fix) {
  if (from == to && text.empty()) return;
  Hit h;
  locate(h, from == to ? ByByteLeft : ByByteRight, from);
  std::string& t = h.leaf->text.own();
  const uint64_t leafStart = h.before.bytes;
  if (to > leafStart + t.size()) {
    // Over more than one chunk: out with the old, then in with the new.
    eraseRange(from, to);
    if (!text.empty()) replaceRange(from, from, text, false);
    if (fix) {
      fixEdge(from);
      fixEdge(from + text.size());
    }
    return;
  }
  const size_t off = static_cast<size_t>(from - leafStart), count = static_cast<size_t>(to - from);
  const Sum old = h.depth ? h.path[h.depth - 1]->sums[h.index[h.depth - 1]] : total_;
  // ASCII put in among ASCII, in place of ASCII, makes and breaks no
  // character: the counts follow from the bytes.
  auto asciiAt = [&](uint64_t p) {
    if (p >= leafStart && p < leafStart + t.size()) return !isHigh(t[static_cast<size_t>(p - leafStart)]);
    return p >= total_.bytes || !isHigh(byteAt(p));
  };
  const std::string_view gone = std::string_view(t).substr(off, count);
  const bool simple = isAscii(text) && isAscii(gone) && (from == 0 || asciiAt(from - 1)) && asciiAt(to);
  Sum now;
  if (simple) {
    const uint64_t goneBreaks = countBreaks(gone);
    t.replace(off, count, text);
    now = old;
    now.bytes = now.bytes - count + text.size();
    now.chars = now.chars - count + text.size();
    now.breaks = now.breaks - goneBreaks + countBreaks(text);
  } else {
    t.replace(off, count, text);
    now = sumOf(t);
  }
  for (int d = 0; d < h.depth; ++d) change(h.path[d]->sums[h.index[d]], old, now);
  change(total_, old, now);
  if (t.size() > kLeafMax)
    splitLeaf(h);
  else if (t.empty() && h.depth > 0)
    removeLeaf(h);
  if (fix && !simple) {
    fixEdge(from);
    fixEdge(from + text.size());
  }
}

void CodeText::eraseRange(uint64_t from, uint64_t to) {
  Node& r = *root_;
  if (r.leaf) {
    r.text.own().erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  } else {
    struct Eraser {
      static void run(Node& n, uint64_t base, uint64_t from, uint64_t to) {
        for (size_t i = 0; i < n.kids.size();) {
          const uint64_t lo = base, hi = base + n.sums[i].bytes;
          base = hi;
          if (lo >= to) break;
          if (hi <= from) {
            ++i;
            continue;
          }
          Node& k = *n.kids[i];
          if (from <= lo && hi <= to) {
            n.kids.erase(n.kids.begin() + static_cast<std::ptrdiff_t>(i));
            n.sums.erase(n.sums.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
          }
          const uint64_t a = std::max(from, lo), b = std::min(to, hi);
          if (k.leaf)
            k.text.own().erase(static_cast<size_t>(a - lo), static_cast<size_t>(b - a));
          else
            run(k, lo, from, to);
          n.sums[i] = totalOf(k);
          if (k.leaf ? k.text.empty() : k.kids.empty()) {
            n.kids.erase(n.kids.begin() + static_cast<std::ptrdiff_t>(i));
            n.sums.erase(n.sums.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
          }
          ++i;
        }
      }
    };
    Eraser::run(r, 0, from, to);
    if (r.kids.empty()) {
      root_ = std::make_unique<Node>();
    }
  }
  total_ = totalOf(*root_);
  collapseRoot();
}

void CodeText::collapseRoot() {
  while (!root_->leaf && root_->kids.size() == 1) {
    std::unique_ptr<Node> kid = std::move(root_->kids[0]);
    root_ = std::move(kid);
  }
}

void CodeText::splitLeaf(Hit& h) {
  Node* leaf = h.leaf;
  const std::string_view t = leaf->text;
  const size_t parts = (t.size() + kLeafBuild - 1) / kLeafBuild;
  const size_t each = t.size() / parts;
  std::vector<std::string> texts;
  size_t at = 0;
  for (size_t k = 1; k < parts; ++k) {
    const size_t cut = safeCut(t, std::max(at + 1, k * each));
    if (cut >= t.size()) break;
    texts.emplace_back(t.substr(at, cut - at));
    at = cut;
  }
  texts.emplace_back(t.substr(at));
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Sum> sums;
  for (size_t k = 1; k < texts.size(); ++k) {
    auto n = std::make_unique<Node>();
    n->text = std::move(texts[k]);
    sums.push_back(sumOf(n->text));
    nodes.push_back(std::move(n));
  }
  leaf->text = std::move(texts[0]);
  const Sum first = sumOf(leaf->text);
  if (h.depth == 0) {
    // The root was the one leaf: it becomes the first child of a new root.
    auto root = std::make_unique<Node>();
    root->leaf = false;
    root->kids.push_back(std::move(root_));
    root->sums.push_back(first);
    for (size_t k = 0; k < nodes.size(); ++k) {
      root->kids.push_back(std::move(nodes[k]));
      root->sums.push_back(sums[k]);
    }
    root_ = std::move(root);
    if (root_->kids.size() > kKidsMax) {
      h.depth = 1;
      h.path[0] = root_.get();
      h.index[0] = 0;
      insertSiblings(h, 0, {}, {});
    }
    return;
  }
  h.path[h.depth - 1]->sums[h.index[h.depth - 1]] = first;
  insertSiblings(h, h.depth - 1, std::move(nodes), std::move(sums));
}

// Puts nodes in after the child that the way down took at `level`, and
// splits the node there when it has too many children, level by level up.
void CodeText::insertSiblings(Hit& h, int level, std::vector<std::unique_ptr<Node>> nodes, std::vector<Sum> sums) {
  Node* p = h.path[level];
  const auto at = static_cast<std::ptrdiff_t>(h.index[level]) + 1;
  p->kids.insert(p->kids.begin() + at, std::make_move_iterator(nodes.begin()), std::make_move_iterator(nodes.end()));
  p->sums.insert(p->sums.begin() + at, sums.begin(), sums.end());
  if (p->kids.size() <= kKidsMax) return;
  const size_t count = p->kids.size();
  const size_t groups = (count + kKidsBuild - 1) / kKidsBuild;
  const size_t each = (count + groups - 1) / groups;
  std::vector<std::unique_ptr<Node>> up;
  std::vector<Sum> upSums;
  for (size_t g = each; g < count; g += each) {
    auto n = std::make_unique<Node>();
    n->leaf = false;
    const size_t end = std::min(count, g + each);
    Sum s;
    for (size_t k = g; k < end; ++k) {
      n->kids.push_back(std::move(p->kids[k]));
      n->sums.push_back(p->sums[k]);
      s += p->sums[k];
    }
    up.push_back(std::move(n));
    upSums.push_back(s);
  }
  p->kids.resize(each);
  p->sums.resize(each);
  const Sum first = totalOf(*p);
  if (level == 0) {
    auto root = std::make_unique<Node>();
    root->leaf = false;
    root->kids.push_back(std::move(root_));
    root->sums.push_back(first);
    for (size_t k = 0; k < up.size(); ++k) {
      root->kids.push_back(std::move(up[k]));
      root->sums.push_back(upSums[k]);
    }
    root_ = std::move(root);
    if (root_->kids.size() > kKidsMax) {
      h.path[0] = root_.get();
      h.index[0] = 0;
      insertSiblings(h, 0, {}, {});
    }
    return;
  }
  h.path[level - 1]->sums[h.index[level - 1]] = first;
  insertSiblings(h, level - 1, std::move(up), std::move(upSums));
}

// Takes out an emptied leaf, and the inner nodes that it leaves empty.
void CodeText::removeLeaf(Hit& h) {
  for (int level = h.depth - 1; level >= 0; --level) {
    Node* p = h.path[level];
    const auto at = static_cast<std::ptrdiff_t>(h.index[level]);
    p->kids.erase(p->kids.begin() + at);
    p->sums.erase(p->sums.begin() + at);
    if (!p->kids.empty()) return;
    if (level == 0) root_ = std::make_unique<Node>();
  }
}

// Where two chunks meet at `at`, moves the bytes of a character that the
// meeting cut in two into the first chunk.
void CodeText::fixEdge(uint64_t at) {
  if (at == 0 || at >= total_.bytes) return;
  Hit h;
  locate(h, ByByteRight, at);
  if (h.before.bytes != at) return;  // not where two chunks meet
  if (!isCont(h.leaf->text[0])) return;
  // The last byte before `at` that continues no sequence starts the
  // character that may reach over.
  uint64_t start = at;
  for (uint64_t k = 1; k <= 3 && k <= at; ++k) {
    if (!isCont(byteAt(at - k))) {
      start = at - k;
      break;
    }
  }
  if (start == at) return;
  const std::string head = bytes(start, std::min(start + 4, total_.bytes));
  const size_t n = charBytesAt(head, 0);
  if (start + n <= at) return;
  const std::string moved = bytes(at, start + n);
  replaceRange(at, start + n, {}, false);
  replaceRange(at, at, moved, false);
}

void CodeText::build(const std::function<void(const std::function<void(std::string_view)>&)>& source,
                     std::string_view shared) {
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Sum> sums;
  std::string cur;
  cur.reserve(kLeafBuild + 8);
  // Where cur's bytes stand in `shared` as they are, one run; null when
  // they do not (a break made CR LF, or parts from elsewhere).
  const char* curAt = nullptr;
  auto inShared = [&](std::string_view s) {
    return !shared.empty() && std::less_equal<const char*>()(shared.data(), s.data()) &&
           std::less_equal<const char*>()(s.data() + s.size(), shared.data() + shared.size());
  };
  auto emit = [&](size_t cut) {
    auto n = std::make_unique<Node>();
    if (curAt) {
      n->text.lookInto(std::string_view(curAt, cut));
      curAt += cut;
    } else {
      n->text = cur.substr(0, cut);
    }
    cur.erase(0, cut);
    sums.push_back(sumOf(n->text));
    nodes.push_back(std::move(n));
  };
  source([&](std::string_view s) {
    while (!s.empty()) {
      const size_t room = kLeafBuild + 4 - cur.size();
      const size_t take = std::min(room, s.size());
      if (cur.empty())
        curAt = inShared(s) ? s.data() : nullptr;
      else if (curAt && curAt + cur.size() != s.data())
        curAt = nullptr;
      cur.append(s.data(), take);
      s.remove_prefix(take);
      if (cur.size() >= kLeafBuild + 4) emit(safeCut(cur, kLeafBuild));
    }
  });
  if (!cur.empty() || nodes.empty()) emit(cur.size());
  // Level by level up to one root.
  while (nodes.size() > 1) {
    std::vector<std::unique_ptr<Node>> up;
    std::vector<Sum> upSums;
    const size_t groups = (nodes.size() + kKidsBuild - 1) / kKidsBuild;
    const size_t each = (nodes.size() + groups - 1) / groups;
    for (size_t g = 0; g < nodes.size(); g += each) {
      auto n = std::make_unique<Node>();
      n->leaf = false;
      Sum s;
      for (size_t k = g; k < std::min(nodes.size(), g + each); ++k) {
        n->kids.push_back(std::move(nodes[k]));
        n->sums.push_back(sums[k]);
        s += sums[k];
      }
      up.push_back(std::move(n));
      upSums.push_back(s);
    }
    nodes = std::move(up);
    sums = std::move(upSums);
  }
  root_ = std::move(nodes[0]);
  total_ = sums[0];
  for (LineStart& c : lineCache_) c.line = -1;
  noteChange(0);
}

void CodeText::splice(const std::vector<Splice>& edits) {
  if (edits.empty()) return;
  // The new text is built from the old chunks while they stand.
  CodeText fresh;
  fresh.build([&](const std::function<void(std::string_view)>& add) {
    uint64_t at = 0;
    for (const Splice& e : edits) {
      forEachPiece(at, e.at, add);
      if (!e.text.empty()) add(e.text);
      at = e.at + e.removed;
    }
    forEachPiece(at, total_.bytes, add);
  });
  root_ = std::move(fresh.root_);
  total_ = fresh.total_;
  shared_.reset();  // the new chunks are their own
  for (LineStart& c : lineCache_) c.line = -1;
  noteChange(edits.front().at);
}

}  // namespace platform::controls
