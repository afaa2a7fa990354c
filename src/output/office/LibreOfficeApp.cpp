#include "output/office/LibreOfficeApp.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryFile>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>

namespace {

const char* KindName(TTargetApp kind) { return kind == taWord ? "writer" : "calc"; }

EOfficeError::TKind ErrorKind(const QString& name) {
  if (name == "not_installed") return EOfficeError::oeNotInstalled;
  if (name == "cannot_start") return EOfficeError::oeCannotStart;
  if (name == "disconnected") return EOfficeError::oeDisconnected;
  if (name == "no_target") return EOfficeError::oeNoTarget;
  return EOfficeError::oeFailed;
}

bool HasBinding(const QString& python) {
  QProcess p;
  p.start(python, {"-c", "import uno"});
  if (!p.waitForFinished(10000)) {
    p.kill();
    p.waitForFinished(1000);
    return false;
  }
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

QString FindOfficePython() {
  static const QString found = [] {
    QStringList candidates = {"/usr/bin/python3", "/usr/local/bin/python3"};
    QString onPath = QStandardPaths::findExecutable("python3");
    if (!onPath.isEmpty()) candidates << onPath;
    for (const QString& c : candidates)
      if (QFileInfo(c).isExecutable() && HasBinding(c)) return c;
    return QString();
  }();
  return found;
}

TLibreOfficeApp::TLibreOfficeApp(TTargetApp kind, const TLibreOfficeOptions& options)
    : kind_(kind), options_(options) {
  QString python = options_.Python.isEmpty() ? FindOfficePython() : options_.Python;
  if (python.isEmpty())
    throw EOfficeError(EOfficeError::oeNotInstalled, "не найден Python со связкой LibreOffice (пакет python3-uno)");
  QString helper = options_.Helper.isEmpty()
                       ? QCoreApplication::applicationDirPath() + "/office/parvel_office.py"
                       : options_.Helper;
  if (!QFileInfo::exists(helper))
    throw EOfficeError(EOfficeError::oeNotInstalled, "нет помощника для связи с LibreOffice: " + helper.toStdString());
  QStringList args = {helper};
  if (!options_.Pipe.isEmpty()) args << "--pipe" << options_.Pipe;
  if (!options_.Soffice.isEmpty()) args << "--soffice" << options_.Soffice;
  if (!options_.Profile.isEmpty()) args << "--profile" << options_.Profile;
  args << "--start-timeout" << QString::number(options_.StartTimeoutMs / 1000.0);
  helper_ = std::make_unique<QProcess>();
  helper_->setProcessChannelMode(QProcess::SeparateChannels);
  helper_->setStandardErrorFile(QProcess::nullDevice());
  helper_->start(python, args);
  if (!helper_->waitForStarted(10000))
    throw EOfficeError(EOfficeError::oeNotInstalled, "помощник для связи с LibreOffice не запустился");
  alive_ = true;
  try {
    // A little more than the helper's own limit, so that its answer ("cannot_start") wins.
    Call(R"({"op":"start"})", options_.StartTimeoutMs + 5000);
  } catch (const EOfficeError& e) {
    Drop();
    if (e.Kind == EOfficeError::oeNotInstalled) throw;
    throw EOfficeError(EOfficeError::oeCannotStart, e.what());
  }
}

TLibreOfficeApp::~TLibreOfficeApp() { Drop(); }

void TLibreOfficeApp::Drop() {
  alive_ = false;
  if (!helper_) return;
  if (helper_->state() != QProcess::NotRunning) {
    helper_->closeWriteChannel();  // the helper ends at the end of its input
    if (!helper_->waitForFinished(300)) {
      helper_->kill();
      helper_->waitForFinished(1000);
    }
  }
  helper_.reset();
}

QByteArray TLibreOfficeApp::Call(const QByteArray& requestJson, int timeoutMs) {
  if (!alive_ || !helper_) throw EOfficeError(EOfficeError::oeDisconnected, "связь с LibreOffice прервана");
  pending_.clear();
  helper_->write(requestJson + "\n");
  // Wait for one answer line, letting window messages through: the office asks our process for
  // the clipboard's content while it pastes. User input waits meanwhile.
  QEventLoop loop;
  bool timedOut = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
    timedOut = true;
    loop.quit();
  });
  auto read = [&] {
    pending_ += helper_->readAllStandardOutput();
    if (pending_.contains('\n')) loop.quit();
  };
  auto c1 = QObject::connect(helper_.get(), &QProcess::readyReadStandardOutput, &loop, read);
  auto c2 = QObject::connect(helper_.get(), &QProcess::finished, &loop, [&] { loop.quit(); });
  timer.start(timeoutMs);
  read();
  if (!pending_.contains('\n') && helper_->state() == QProcess::Running)
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  QObject::disconnect(c1);
  QObject::disconnect(c2);
  if (!pending_.contains('\n')) {
    Drop();  // a connection that stops answering is not asked again
    throw EOfficeError(EOfficeError::oeDisconnected,
                       timedOut ? "LibreOffice не ответил вовремя" : "помощник для связи с LibreOffice завершился");
  }
  QByteArray line = pending_.left(pending_.indexOf('\n'));
  QJsonObject answer = QJsonDocument::fromJson(line).object();
  if (answer.value("ok").toBool()) {
    QJsonArray wrap{answer.value("result")};
    QByteArray json = QJsonDocument(wrap).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2);
  }
  auto kind = ErrorKind(answer.value("error").toString());
  std::string message = answer.value("message").toString().toStdString();
  if (kind == EOfficeError::oeDisconnected || answer.isEmpty()) {
    Drop();
    kind = EOfficeError::oeDisconnected;
  }
  throw EOfficeError(kind, message.empty() ? "LibreOffice не выполнил команду" : message);
}

QByteArray TLibreOfficeApp::Request(const char* op, const std::string& key, int timeoutMs) {
  QJsonObject req{{"op", op}, {"kind", KindName(kind_)}};
  if (!key.empty()) req.insert("key", QString::fromStdString(key));
  return Call(QJsonDocument(req).toJson(QJsonDocument::Compact), timeoutMs);
}

int TLibreOfficeApp::DocumentCount() {
  return Request("count", {}, options_.CallTimeoutMs).toInt();
}

std::vector<TOfficeDoc> TLibreOfficeApp::Documents() {
  QJsonArray list = QJsonDocument::fromJson(Request("list", {}, options_.CallTimeoutMs)).array();
  std::vector<TOfficeDoc> docs;
  for (const auto& v : list) {
    QJsonObject o = v.toObject();
    docs.push_back({o.value("key").toString().toStdString(), o.value("name").toString(),
                    o.value("sheet").toString()});
  }
  return docs;
}

std::string TLibreOfficeApp::CreateDocument() {
  QByteArray r = Request("create", {}, options_.CallTimeoutMs);
  return QJsonDocument::fromJson("[" + r + "]").array().at(0).toString().toStdString();
}

// The clipboard's HTML (or else its text) goes to the office as a file: read through the display
// server, a page of several megabytes takes the office seconds. Anything else the office reads
// from the clipboard itself.
void TLibreOfficeApp::Paste(const char* op, const std::string& key) {
  QJsonObject req{{"op", op}, {"kind", KindName(kind_)}, {"key", QString::fromStdString(key)}};
  QTemporaryFile file(QDir::tempPath() + "/parvel-clipboard-XXXXXX");
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data != nullptr && (data->hasHtml() || data->hasText()) && file.open()) {
    QByteArray bytes = (data->hasHtml() ? data->html() : data->text()).toUtf8();
    if (file.write(bytes) == bytes.size() && file.flush())
      req.insert(data->hasHtml() ? "html_file" : "text_file", file.fileName());
  }
  Call(QJsonDocument(req).toJson(QJsonDocument::Compact), options_.PasteTimeoutMs);
}

void TLibreOfficeApp::AppendClipboard(const std::string& key) { Paste("append", key); }

void TLibreOfficeApp::PasteIntoFirstSheet(const std::string& key) { Paste("paste_sheet", key); }

void TLibreOfficeApp::Show(const std::string& key) { Request("show", key, options_.CallTimeoutMs); }

TOfficeFactory LibreOfficeFactory(TLibreOfficeOptions options) {
  return [options](TTargetApp kind) -> std::unique_ptr<IOfficeApp> {
    return std::make_unique<TLibreOfficeApp>(kind, options);
  };
}
