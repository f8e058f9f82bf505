// The schema tree of a database: its items, their kinds, the marks of the columns to convert
// and how a mark spreads from a table or folder to the text columns below it.  The window
// shows it; the command line marks the columns it is given; the conversion run walks it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ts::db {

// Which back end a connection goes through.  kNone before the first connection: the run
// and the data command then do nothing.
enum class BackendMode { kNone = -1, kAdo = 0, kDao = 1, kOdbc = 2 };

// The kind of a schema item (also its icon in the tree's image list).  The file-database
// tree (SQLite, dBASE) uses the DAO kinds; ODBC and PostgreSQL trees use 0, 2, 3, 4, 8, 9.
enum class ItemKind {
  kDatabase,  // the root
  kTable,
  kTables,
  kColumn,
  kFields,  // a table's "Fields" folder
  kIndex,
  kIndexes,
  kRelation,  // a view in the ODBC and PostgreSQL trees
  kRelations,
  kQuery,  // a stored query (SQLite: a view)
  kQueries,
};
inline constexpr ItemKind kView = ItemKind::kRelation;
inline constexpr ItemKind kViews = ItemKind::kRelations;

// A column's check box.
enum class ColumnMark : int { kUnmarked = 1, kMarked = 2 };

// How a mark spreads.  kFromItem (file databases): from the clicked item over every item that
// follows it among its siblings, with their subtrees; from a table, over its own columns only.  kSubtree (ODBC, PostgreSQL): the
// clicked item's subtree only, and the root, folder and table items passed take the mark too.
enum class Propagation { kFromItem, kSubtree };

struct SchemaItem {
  ItemKind kind = ItemKind::kDatabase;
  std::string text;  // the database's own name of the object
  ColumnMark mark = ColumnMark::kUnmarked;
  bool bold = false;  // a text column a spreading mark has reached
  int parent = -1;
  std::vector<int> children;
};

inline constexpr int kNoItem = -1;

class SchemaTree {
 public:
  // Empties the tree (marks do not survive a rebuild).
  void clear() { items_.clear(); }
  // Adds an item under `parent` (kNoItem: the root) and returns its index.
  int add(int parent, ItemKind kind, std::string text);

  bool empty() const { return items_.empty(); }
  std::size_t size() const { return items_.size(); }
  int root() const { return items_.empty() ? kNoItem : 0; }
  const SchemaItem& item(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int firstChild(int i) const;
  int nextSibling(int i) const;
  // The table a column (or index, or folder) belongs to: its nearest table ancestor.
  int tableOf(int i) const;
  // The child of `parent` with this kind and text, or kNoItem.
  int find(int parent, ItemKind kind, const std::string& text) const;

  // The user clicked a column's own box: it toggles, whatever the column's type.
  void toggle(int i);
  void setMark(int i, ColumnMark m) { items_.at(static_cast<std::size_t>(i)).mark = m; }
  bool marked(int i) const { return item(i).mark == ColumnMark::kMarked; }

  // The user clicked the box of an item that is not a column: the item's box toggles and the
  // new mark spreads to the text columns the rule reaches (`convertible` tells which), which
  // also become bold.  Other columns keep their marks.  A column item's box only toggles.
  void clickBox(int i, Propagation rule, const std::function<bool(int column)>& convertible);

  // Children before the item itself, then the following siblings, from `start`.  The visitor
  // says how to go on after each column item.
  enum class Next { kGoOn, kSkipSiblings, kEndWalk };
  void walk(int start, const std::function<Next(int item)>& visit) const;

 private:
  bool walkChain(int start, const std::function<Next(int)>& visit) const;  // false: end
  std::vector<SchemaItem> items_;
};

// The tree of a database server (ODBC, PostgreSQL): the root with its "Tables" and "Views"
// folders, then the tables with their columns and the views, in the order given.
struct ServerObject {
  std::string name;
  bool view = false;
  std::vector<std::string> columns;
};
void fillServerTree(SchemaTree& tree, const std::string& rootText,
                    const std::vector<ServerObject>& objects);

}  // namespace ts::db
