#pragma once
// Reading a file as the text a document view would hand to a comparison run.
#include <string>

// The text a view would hand to the run for the file at path, read as the program opens files
// (code page detected and converted, plain text and office documents made HTML; a Windows-1251
// page gives its own bytes): the page head, the body (from the body start tag, any case, to the
// end of the page; a page without one is taken as the content of a body) and "</html>". Empty
// when the file is empty (a view without a document). Throws std::runtime_error with the message
// for the user when the file cannot be read.
std::string ReadViewTextFile(const std::string& path);
