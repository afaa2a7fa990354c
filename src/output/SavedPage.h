#pragma once
// The page as "Сохранить и открыть в MS Word" writes it: the view's markup with two changes that
// word processors need. Their HTML import underlines the change marks (acronym elements) through
// the style sheet, which reads as inserted text, so the marks are written as spans that state
// their own decoration; and the style files live in a folder beside the page named after it, as
// browsers save pages.
#include <QString>

#include <string>
#include <vector>

// The folder of the style files for a page saved as path: its name without the last extension
// followed by "_files" ("Документ_.htm" gives "Документ__files").
QString StyleFolderName(const QString& path);

// html (Windows-1251) with every acronym element written as a span whose text-decoration is
// explicit ("none" where the mark states none), and every href or src naming one of styleFiles (paths relative to the page)
// pointed into folder (percent-encoded UTF-8, so the reference means the same in any code page).
std::string PageForWordProcessor(std::string html, const QString& folder,
                                 const std::vector<std::string>& styleFiles);
