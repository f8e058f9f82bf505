#include "ts/db/schema.hpp"

#include <stdexcept>

namespace ts::db {

int SchemaTree::add(int parent, ItemKind kind, std::string text) {
  if (parent == kNoItem && !items_.empty()) throw std::logic_error("the tree has a root");
  const int index = static_cast<int>(items_.size());
  SchemaItem it;
  it.kind = kind;
  it.text = std::move(text);
  it.parent = parent;
  items_.push_back(std::move(it));
  if (parent != kNoItem) items_.at(static_cast<std::size_t>(parent)).children.push_back(index);
  return index;
}

int SchemaTree::firstChild(int i) const {
  const auto& c = item(i).children;
  return c.empty() ? kNoItem : c.front();
}

int SchemaTree::nextSibling(int i) const {
  const int p = item(i).parent;
  if (p == kNoItem) return kNoItem;
  const auto& c = item(p).children;
  for (std::size_t k = 0; k + 1 < c.size(); ++k)
    if (c[k] == i) return c[k + 1];
  return kNoItem;
}

int SchemaTree::tableOf(int i) const {
  for (int p = item(i).parent; p != kNoItem; p = item(p).parent)
    if (item(p).kind == ItemKind::kTable) return p;
  return kNoItem;
}

int SchemaTree::find(int parent, ItemKind kind, const std::string& text) const {
  for (const int c : item(parent).children)
    if (item(c).kind == kind && item(c).text == text) return c;
  return kNoItem;
}

void SchemaTree::toggle(int i) {
  setMark(i, marked(i) ? ColumnMark::kUnmarked : ColumnMark::kMarked);
}

void SchemaTree::clickBox(int i, Propagation rule,
                          const std::function<bool(int column)>& convertible) {
  if (item(i).kind == ItemKind::kColumn) {
    toggle(i);
    return;
  }
  const ColumnMark mark = marked(i) ? ColumnMark::kUnmarked : ColumnMark::kMarked;
  auto spread = [&](int it) {
    SchemaItem& s = items_.at(static_cast<std::size_t>(it));
    if (s.kind == ItemKind::kColumn) {
      if (convertible(it)) {
        s.mark = mark;
        s.bold = true;
      }
    } else if (rule == Propagation::kSubtree &&
               (s.kind == ItemKind::kDatabase || s.kind == ItemKind::kTable ||
                s.kind == ItemKind::kTables)) {
      s.mark = mark;
    }
    return Next::kGoOn;
  };
  // A table's mark never spreads to the tables after it: what is converted is what shows
  // ticked, and a collapsed table shows no column.
  if (rule == Propagation::kFromItem && item(i).kind != ItemKind::kTable) {
    walk(i, spread);
  } else if (firstChild(i) != kNoItem) {
    walk(firstChild(i), spread);
  }
  setMark(i, mark);
}

void SchemaTree::walk(int start, const std::function<Next(int item)>& visit) const {
  if (start != kNoItem) walkChain(start, visit);
}

bool SchemaTree::walkChain(int start, const std::function<Next(int)>& visit) const {
  // The chain is `start` and the siblings after it.
  const int parent = item(start).parent;
  const std::vector<int> alone{start};
  const std::vector<int>& chain = parent == kNoItem ? alone : item(parent).children;
  std::size_t k = 0;
  while (chain[k] != start) ++k;
  for (; k < chain.size(); ++k) {
    const int it = chain[k];
    const int child = firstChild(it);
    if (child != kNoItem && !walkChain(child, visit)) return false;
    switch (visit(it)) {
      case Next::kGoOn: break;
      case Next::kSkipSiblings: return true;
      case Next::kEndWalk: return false;
    }
  }
  return true;
}

void fillServerTree(SchemaTree& tree, const std::string& rootText,
                    const std::vector<ServerObject>& objects) {
  tree.clear();
  const int root = tree.add(kNoItem, ItemKind::kDatabase, rootText);
  const int tables = tree.add(root, ItemKind::kTables, "Tables");
  const int views = tree.add(root, kViews, "Views");
  for (const ServerObject& o : objects) {
    if (o.view) {
      tree.add(views, kView, o.name);
      continue;
    }
    const int table = tree.add(tables, ItemKind::kTable, o.name);
    for (const std::string& c : o.columns) tree.add(table, ItemKind::kColumn, c);
  }
}

}  // namespace ts::db
