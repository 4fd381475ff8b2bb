#pragma once

class ResultsModel;
class Workbook;
struct ExportProgress;

// Fills the sheet as the workbook export lays out the list: the headers in row 1, each column
// fitted to its header as soon as it is written; list row r (from 1), when ticked, in sheet row
// r + 1, so an unticked row leaves its sheet row empty. The zip goes in as it is, the other
// cells without any "=". Fitting every column at the end is the caller's. Throws a
// WriterFailure at the first step that fails.
void fillWorkbook(const ResultsModel &list, Workbook &sheet, const ExportProgress &progress);
