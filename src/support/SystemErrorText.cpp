#include "support/SystemErrorText.h"

#include <cerrno>

std::string SystemErrorText(int err) {
  switch (err) {
    case ENOSPC: return "на диске нет места";
#ifdef EDQUOT
    case EDQUOT: return "исчерпана дисковая квота";
#endif
    case EACCES:
    case EPERM: return "нет прав на запись или чтение";
    case EROFS: return "диск доступен только для чтения";
    case ENOENT: return "нет такого файла или папки";
    case ENOTDIR: return "часть пути — не папка";
    case EISDIR: return "это папка";
    case EEXIST: return "файл с таким именем уже есть";
    case ENAMETOOLONG: return "слишком длинное имя";
    case ELOOP: return "слишком много символических ссылок в пути";
    case EIO: return "ошибка ввода-вывода";
    case EFBIG: return "файл слишком велик";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ENOMEM: return "не хватает памяти";
    case EBUSY:
    case ETXTBSY: return "файл занят";
    case EXDEV: return "файлы на разных дисках";
    case EMLINK: return "слишком много ссылок на файл";
    case ENXIO:
    case ENODEV: return "устройство недоступно";
    case EAGAIN: return "ресурс временно недоступен";
    case EINVAL: return "недопустимое имя или значение";
    default: return "системная ошибка " + std::to_string(err);
  }
}
