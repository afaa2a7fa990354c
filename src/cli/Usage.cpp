#include "cli/Commands.h"

std::string CliUsage() {
  return R"(Usage: parvel-cli COMMAND ARGUMENTS

Commands:
  compare LEFT RIGHT OUTDIR
      Compares two texts word by word, writes the marked result pages OUTDIR/c1.htm
      and OUTDIR/c2.htm and prints the number of changes.
  forms WORD [--data DIR]
      Prints the Russian word forms of WORD.
  variants PHRASE [--data DIR]
      Prints the abbreviation and term variants of a search phrase.
  find QUERY FILE [--out PATH] [--data DIR]
      Marks every occurrence of QUERY in an HTML body and prints their number.

parvel-cli COMMAND --help explains one command.
)";
}
