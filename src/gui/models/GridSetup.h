#pragma once

class QTableView;

namespace nakilon {

class CurrentRowLink;
class RecordTableModel;

// Shows a model in a grid the way every grid of the program looks: hidden
// columns hidden, progress columns drawn as bars, editable drop-down columns
// edited with a drop-down and other editable columns with a line editor for
// numbers or storable text, whole rows selected, no row header, Tab on to the
// next control. The grid then follows the table's current record (and moves
// it).
CurrentRowLink* setUpGrid(QTableView* view, RecordTableModel* model);

} // namespace nakilon
