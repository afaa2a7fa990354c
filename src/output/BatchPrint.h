#pragma once
// parvel --print-pdf [--literal] LEFT.pdf RIGHT.pdf OLD NEW: compares two files and prints both
// result pages to PDF through the print command's engine, page setup and footer, without the
// window. The changes are laid out as the window's kept settings say, or literally.
#include <QStringList>

// True when the command line asks for the batch print. Call before the application object
// exists: without a display the program then runs on the offscreen platform.
bool IsPrintPdfCommand(int argc, char** argv);

// Runs the batch print with the application's arguments (the program name first). Returns the
// exit code: 0 both PDF files written; 1 a text is empty, a file cannot be read, a page cannot
// be printed or a PDF cannot be written (no PDF is then left half-written or alone); 2 wrong
// arguments (an empty name, both PDFs naming one file); 5 an entry that is not a regular file
// stands where a PDF goes (nothing is written).
int RunPrintPdfCommand(const QStringList& arguments);
