// Interface calls on tables.
#include "apiclib.h"

using namespace qvcalls;

namespace {
// The last field of a straddle request: 1 joins the cells, 0 separates them again.
constexpr IntT kStraddle = 1;
constexpr IntT kUnstraddle = 0;
}  // namespace

extern "C" {

F_ObjHandleT F_ApiNewTable(F_ObjHandleT docId, ConStringT format, IntT numCols, IntT numBodyRows,
                           IntT numHeadingRows, IntT numFootingRows, const F_TextLocT *textLocp) {
  return Get<api_fm_new_table_1>(docId, format, numCols, numBodyRows, numHeadingRows,
                                 numFootingRows, textLocp);
}

IntT F_ApiAddRows(F_ObjHandleT docId, F_ObjHandleT refRowId, IntT direction, IntT numNewRows) {
  return Status<api_fm_add_rows_1>(docId, refRowId, direction, numNewRows);
}

IntT F_ApiAddCols(F_ObjHandleT docId, F_ObjHandleT tblId, IntT refCol, IntT direction,
                  IntT numNewCols) {
  return Status<api_fm_add_columns_1>(docId, tblId, refCol, direction, numNewCols);
}

// Rows and columns are cut by one procedure: rows name their first row and leave the column
// fields 0, columns leave the row fields 0.
IntT F_ApiDeleteRows(F_ObjHandleT docId, F_ObjHandleT tblId, F_ObjHandleT rowId, IntT numRows) {
  return Status<api_fm_cut_table_parts_1>(docId, tblId, rowId, numRows, 0, 0);
}

IntT F_ApiDeleteCols(F_ObjHandleT docId, F_ObjHandleT tblId, IntT refCol, IntT numCols) {
  return Status<api_fm_cut_table_parts_1>(docId, tblId, 0u, 0, refCol, numCols);
}

IntT F_ApiMakeTblSelection(F_ObjHandleT docId, F_ObjHandleT tblId, IntT topRow, IntT bottomRow,
                           IntT leftCol, IntT rightCol) {
  return Status<api_fm_make_table_selection_1>(docId, tblId, topRow, bottomRow, leftCol, rightCol);
}

IntT F_ApiStraddleCells(F_ObjHandleT docId, F_ObjHandleT cellId, IntT numRows, IntT numCols) {
  return Status<api_fm_straddle_cells_1>(docId, cellId, numRows, numCols, kStraddle);
}

IntT F_ApiUnStraddleCells(F_ObjHandleT docId, F_ObjHandleT cellId, IntT numRows, IntT numCols) {
  return Status<api_fm_straddle_cells_1>(docId, cellId, numRows, numCols, kUnstraddle);
}

}  // extern "C"
