#include "app/CommandLine.h"

TCommandLine ParseCommandLine(const QStringList& args) {
  TCommandLine cl;
  bool options = true;
  for (const QString& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "--help" || a == "-h" || a == "-?" || a == "/?")) {
      cl.Help = true;
    } else if (options && a.startsWith('-') && a.size() > 1) {
      cl.Error = QString::fromUtf8("неизвестный параметр «%1»").arg(a);
    } else {
      cl.Files << a;
    }
  }
  if (cl.Error.isEmpty() && cl.Files.size() > 2)
    cl.Error = QString::fromUtf8("указано %1 файла, а сравниваются два").arg(cl.Files.size());
  return cl;
}

QString CommandLineHelp() {
  return QString::fromUtf8(
      "Использование: parvel [СТАРАЯ_РЕДАКЦИЯ [НОВАЯ_РЕДАКЦИЯ]]\n"
      "\n"
      "Сравнение текстов: две редакции документа рядом, удалённое зачёркнуто на розовом,\n"
      "добавленное выделено зелёным.\n"
      "\n"
      "  parvel                 окно с двумя пустыми полями: вставьте или откройте тексты\n"
      "  parvel ФАЙЛ            открыть ФАЙЛ в левом окне (текст 1)\n"
      "  parvel СТАРЫЙ НОВЫЙ    открыть оба файла и сразу сравнить их\n"
      "  parvel --help          эта справка\n"
      "  parvel --print-pdf [--literal] LEFT.pdf RIGHT.pdf СТАРЫЙ НОВЫЙ\n"
      "                         без окна: сравнить и напечатать обе страницы с отметками в PDF\n"
      "                         (так, как их показывает окно; --literal — точное сравнение\n"
      "                         по словам)\n"
      "\n"
      "Открываются страницы HTML (.htm, .html) в кодировке Windows-1251, UTF-8 или UTF-16,\n"
      "текстовые файлы (.txt) и документы Word, OpenDocument и RTF (.docx, .doc, .odt, .rtf;\n"
      "для них нужен LibreOffice). Файлы больше 200 МБ не открываются.\n"
      "\n"
      "В окне: кнопка «Открыть…» над каждым полем или Ctrl+O, перетаскивание файла в поле.\n"
      "Меню правой кнопки: «Точное сравнение по словам» (отметки ровно там, где их даёт\n"
      "сравнение по словам) и «Связные изменения» (правки в одном абзаце через одно-два\n"
      "общих слова — одно изменение); выбор сохраняется.\n"
      "Сравнение без окна: parvel-cli compare --help.\n");
}
