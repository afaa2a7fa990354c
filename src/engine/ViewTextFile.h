#pragma once
// Reading a text file as the text a document view would hand to a comparison run.
#include <string>

// The text a view would hand to the run for the file at path: the page head, the body (from the
// first "<body", any case, to the end of the file; a file without "<body" is taken as the content
// of a body) and "</html>". Empty when the file is empty (a view without a document). Throws
// std::runtime_error naming the path and the system's reason when the file cannot be read.
std::string ReadViewTextFile(const std::string& path);
