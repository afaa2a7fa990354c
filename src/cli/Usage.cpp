#include "cli/Commands.h"

std::string CliUsage() {
  return R"(Использование: parvel-cli КОМАНДА АРГУМЕНТЫ

Команды:
  compare LEFT RIGHT OUTDIR [--literal | --coherent] [--json FILE] [--max-seconds N]
      Сравнивает два текста по словам, записывает страницы с отметками OUTDIR/c1.htm
      и OUTDIR/c2.htm (и список изменений в FILE) и выводит число изменений.
  changes OLD NEW [--format json|csv|md] [--out FILE] [--numbering auto|punkt|chast|decimal]
      Выводит список изменений: где каждое в структуре акта («абз. 2 п. 3 ст. 142.9»)
      и что изменено («слова … заменены словами …»), с итогами; JSON, CSV или Markdown.
  table OLD NEW OUT.{docx,odt,pdf,htm} [--column1 ТЕКСТ] [--column2 ТЕКСТ] [--literal]
      Записывает сравнительную таблицу: изменённые единицы в две колонки, исключённые
      слова зачёркнуты, новые выделены жирным; выводит число строк.
  redline OLD NEW OUT.{docx,odt,pdf} [--literal]
      Записывает новую редакцию, где каждое отличие от прежней — записанное
      исправление (вставка или удаление); выводит число изменений.
  forms WORD [--data DIR]
      Выводит русские формы слова WORD.
  variants PHRASE [--data DIR]
      Выводит варианты сокращений и терминов для поисковой фразы.
  find QUERY FILE [--out PATH] [--data DIR]
      Отмечает все вхождения QUERY в теле страницы HTML и выводит их число.

Параметры пишутся как "--name value" или "--name=value"; "--" заканчивает параметры.
Коды завершения: 0 успех, 2 неверные аргументы; остальные коды своих у каждой команды
(parvel-cli КОМАНДА --help объясняет команду и её коды).
)";
}
