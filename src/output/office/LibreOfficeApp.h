#pragma once
// IOfficeApp for LibreOffice: a small helper program in Python (parvel_office.py, next to the
// executable in "office/") speaks UNO to a running office and answers our requests over its
// standard input and output, one JSON line each (the protocol is described in the helper).
// The helper is a process of its own so that the program needs no office libraries to start,
// and a call that does not answer in time is ended by ending the helper.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#include "output/office/OfficeApp.h"

struct TLibreOfficeOptions {
  QString Python;      // interpreter with the office's Python binding; empty: found on the system
  QString Helper;      // the helper script; empty: "office/parvel_office.py" beside the executable
  QString Pipe;        // the office's connection pipe; empty: one per user
  QString Soffice;     // the office program; empty: "soffice" on the path
  QString Profile;     // the office's user profile as a file URL; empty: the user's own
  int StartTimeoutMs = 60000;  // connecting, including starting the office
  int CallTimeoutMs = 15000;   // counting, listing, creating, showing
  int PasteTimeoutMs = 60000;  // pasting and tidying a large text
};

class TLibreOfficeApp : public IOfficeApp {
 public:
  // Starts the helper and connects it to the office (starting one where none answers).
  // Throws EOfficeError (oeNotInstalled, oeCannotStart).
  TLibreOfficeApp(TTargetApp kind, const TLibreOfficeOptions& options);
  ~TLibreOfficeApp() override;

  TTargetApp Kind() const override { return kind_; }
  bool Alive() const override { return alive_; }
  int DocumentCount() override;
  std::vector<TOfficeDoc> Documents() override;
  std::string CreateDocument() override;
  void AppendClipboard(const std::string& key) override;
  void PasteIntoFirstSheet(const std::string& key) override;
  void Show(const std::string& key) override;

  // Any request of the helper's protocol (the tests use those not in the interface); gives the
  // answer's "result" as JSON text.
  QByteArray Call(const QByteArray& requestJson, int timeoutMs);

 private:
  void Drop();
  QByteArray Request(const char* op, const std::string& key, int timeoutMs);
  void Paste(const char* op, const std::string& key);
  TTargetApp kind_;
  TLibreOfficeOptions options_;
  std::unique_ptr<QProcess> helper_;
  QByteArray pending_;
  bool alive_ = false;
};

// The factory the window uses.
TOfficeFactory LibreOfficeFactory(TLibreOfficeOptions options = {});

// The interpreter that has the office's Python binding, or empty.
QString FindOfficePython();
