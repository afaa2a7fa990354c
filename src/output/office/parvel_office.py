#!/usr/bin/python3
"""Drives LibreOffice Writer and Calc for Parvel's copy commands.

Started by the program (one helper per target application) and spoken to over stdin/stdout:
one request per line, one answer per line, both JSON objects in UTF-8.

  request:  {"op": NAME, ...arguments}
  answer:   {"ok": true, "result": VALUE}
            {"ok": false, "error": KIND, "message": TEXT}

KIND is "not_installed" (no office program or no UNO binding), "cannot_start" (the office did
not accept a connection in time), "disconnected" (the office went away: the helper is no longer
usable and ends), "no_target" (the document is no longer open) or "failed" (any other error).

Operations (kind is "writer" or "calc", key is a document's key from "list" or "create"):
  start                     connect to the office, starting one where none answers
  count {kind}              number of open documents of that kind
  list {kind}               [{"key", "name", "sheet"}] in the office's order; name: Writer: the
                            title, Calc: the full path (the title while never saved); sheet: the
                            first sheet's name (Calc only)
  create {kind}             a new empty document (Calc: one sheet) -> key
  append {key, html_file?, text_file?}
                            Writer: paste the clipboard at the end, tidy the pasted range, leave
                            the cursor after it, show the window; html_file / text_file: a UTF-8
                            file with the clipboard's HTML / plain text, read instead of the
                            clipboard (the program hands its clipboard over: read through the
                            display server, a large one takes the office seconds)
  paste_sheet {key, html_file?, text_file?}  Calc: paste the clipboard into the first sheet at its cell
                            cursor, drop the sheet's hyperlinks, show the window
  show {key}                show and raise the document's window
  inspect {key}             (tests) what the document holds, see inspect_* below
  record_changes {key, on}  (tests) switch change tracking
  insert_link {key, text, url}  (tests) append a hyperlink
  open {path}               (benchmarks) the office opens a file itself, hidden -> key
  save_as {key, path}       (tests) save in the office's own format
  close {key}               (tests) close without saving
  terminate                 (tests) end the office
Arguments of the helper: --pipe NAME (the office's pipe), --soffice PATH, --profile URL (a user
profile of its own, for tests), --start-timeout SECONDS.
"""
import json
import os
import shutil
import subprocess
import sys
import time

try:
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException
    from com.sun.star.lang import DisposedException
    from com.sun.star.uno import RuntimeException
    HAVE_UNO = True
except Exception:  # no binding: every request answers "not_installed"
    HAVE_UNO = False

COL_AUTO = -1  # the office's automatic colour
WRITER = "com.sun.star.text.TextDocument"
CALC = "com.sun.star.sheet.SpreadsheetDocument"


# The character look a cell's text keeps when its links are dropped.
CHAR_LOOK = ("CharStrikeout", "CharBackColor", "CharColor", "CharWeight", "CharPosture",
             "CharUnderline", "CharHeight", "CharFontName", "CharEscapement")


class Failure(Exception):
    def __init__(self, kind, message=""):
        super().__init__(message)
        self.kind = kind


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def is_url_field(f):
    if f.supportsService("com.sun.star.text.TextField.URL") or f.supportsService("com.sun.star.text.textfield.URL"):
        return True
    try:  # the spreadsheet's cell fields name no kind of their own
        return f.getPropertySetInfo().hasPropertyByName("URL")
    except Exception:
        return False


class Office:
    def __init__(self, args):
        self.pipe = args.get("pipe") or "parvel_office_%d" % os.getuid()
        self.soffice = args.get("soffice") or "soffice"
        self.profile = args.get("profile")
        self.start_timeout = float(args.get("start-timeout") or 45)
        self.ctx = None
        self.desktop = None
        self.started = None

    # --- Connection ----------------------------------------------------------------------
    def _resolve(self):
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)

    def start(self):
        if self.desktop is not None:
            return True
        try:
            self.ctx = self._resolve()
        except NoConnectException:
            self._launch()
            deadline = time.monotonic() + self.start_timeout
            while True:
                try:
                    self.ctx = self._resolve()
                    break
                except NoConnectException:
                    code = self.started.poll() if self.started is not None else None
                    if code not in (None, 0, 81):
                        raise Failure("cannot_start", "LibreOffice завершился с кодом %s" % code)
                    if code is not None:
                        # It handed our request to an office that was just ending: start anew.
                        time.sleep(0.5)
                        self._launch()
                    if time.monotonic() > deadline:
                        raise Failure("cannot_start", "LibreOffice не ответил вовремя")
                    time.sleep(0.2)
        self.desktop = self.ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)
        return True

    def _launch(self):
        exe = shutil.which(self.soffice)
        if exe is None:
            raise Failure("not_installed", "не найдена программа %s" % self.soffice)
        cmd = [exe, "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
               "--accept=pipe,name=%s;urp;" % self.pipe]
        if self.profile:
            cmd.insert(1, "-env:UserInstallation=" + self.profile)
        # Its own session: the office outlives the helper and the program.
        self.started = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)

    # --- Documents -----------------------------------------------------------------------
    def documents(self, kind):
        service = WRITER if kind == "writer" else CALC
        docs = []
        e = self.desktop.getComponents().createEnumeration()
        while e.hasMoreElements():
            c = e.nextElement()
            try:
                if c.supportsService(service) and c.getCurrentController() is not None:
                    docs.append(c)
            except DisposedException:
                pass  # closing while we look
        return docs

    def find(self, key):
        for kind in ("writer", "calc"):
            for d in self.documents(kind):
                if str(d.RuntimeUID) == str(key):
                    return d
        raise Failure("no_target", "документ %s больше не открыт" % key)

    def count(self, kind):
        return len(self.documents(kind))

    def list(self, kind):
        out = []
        for d in self.documents(kind):
            entry = {"key": str(d.RuntimeUID), "name": d.getTitle(), "sheet": ""}
            if kind == "calc":
                url = d.getURL()
                entry["name"] = uno.fileUrlToSystemPath(url) if url.startswith("file:") else d.getTitle()
                sheets = d.getSheets()
                entry["sheet"] = sheets.getByIndex(0).getName() if sheets.getCount() else ""
            out.append(entry)
        return out

    def create(self, kind):
        factory = "private:factory/swriter" if kind == "writer" else "private:factory/scalc"
        d = self.desktop.loadComponentFromURL(factory, "_blank", 0, ())
        if d is None:
            raise Failure("failed", "новый документ не создан")
        if kind == "calc":
            sheets = d.getSheets()
            while sheets.getCount() > 1:  # a new workbook of one worksheet
                sheets.removeByName(sheets.getByIndex(sheets.getCount() - 1).getName())
        return str(d.RuntimeUID)

    def show(self, d):
        frame = d.getCurrentController().getFrame()
        window = frame.getContainerWindow()
        window.setVisible(True)
        try:
            window.toFront()
        except Exception:
            pass
        frame.activate()

    def clipboard(self):
        cb = self.ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.datatransfer.clipboard.SystemClipboard", self.ctx)
        contents = cb.getContents()
        if contents is None or not contents.getTransferDataFlavors():
            raise Failure("failed", "буфер обмена пуст")
        return contents

    # --- Writer: append the clipboard and tidy it ----------------------------------------
    def contents(self, html_file, text_file):
        """What to paste: the clipboard's HTML or text as the program handed it over, or else
        what the clipboard holds."""
        if html_file:
            with open(html_file, "rb") as f:
                return html_transferable(f.read())
        if text_file:
            with open(text_file, "rb") as f:
                return text_transferable(f.read().decode("utf-8", "replace"))
        return self.clipboard()

    def append(self, d, html_file=None, text_file=None):
        text = d.getText()
        controller = d.getCurrentController()
        contents = self.contents(html_file, text_file)
        # A cursor one step before the end stays put while the paste grows the document behind it.
        anchor = text.createTextCursor()
        anchor.gotoEnd(False)
        had_text = anchor.goLeft(1, False)
        view = controller.getViewCursor()
        view.gotoEnd(False)
        # Tracked changes of the pasted range end up accepted: the paste and its tidying are not
        # recorded as changes at all (recording, if on, goes on afterwards).
        recording = d.getPropertyValue("RecordChanges")
        d.setPropertyValue("RecordChanges", False)
        try:
            self._paste_and_tidy(d, text, controller, view, contents, anchor, had_text)
        finally:
            d.setPropertyValue("RecordChanges", recording)
        self.show(d)

    def _paste_and_tidy(self, d, text, controller, view, contents, anchor, had_text):
        last = text.createTextCursor()
        last.gotoEnd(False)
        last.gotoStartOfParagraph(True)
        if last.getString():
            # The pasted text begins a paragraph of its own rather than running on the last line.
            from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
            text.insertControlCharacter(text.getEnd(), PARAGRAPH_BREAK, False)
            view.gotoEnd(False)
        controller.insertTransferable(contents)
        start = text.createTextCursorByRange(anchor.getStart()) if had_text else text.createTextCursor()
        if had_text:
            start.goRight(1, False)
        else:
            start.gotoStart(False)
        start.gotoEnd(True)  # start .. end: the pasted range
        pasted = start
        self._unlink_fields(d, pasted)
        pasted.setPropertyValue("CharColor", COL_AUTO)
        view.gotoEnd(False)  # the cursor after the pasted text

    def _inside(self, text, rng, piece):
        try:
            return (text.compareRegionStarts(rng, piece) >= 0 and
                    text.compareRegionEnds(rng, piece) <= 0)
        except Exception:
            return False  # another text (a frame, a table cell): judged by its own anchor below

    def _unlink_fields(self, d, rng):
        text = d.getText()
        e = d.getTextFields().createEnumeration()
        fields = []
        while e.hasMoreElements():
            f = e.nextElement()
            a = f.getAnchor()
            if self._inside(text, rng, a):
                fields.append(f)
        for f in fields:  # each field gives way to its shown text
            a = f.getAnchor()
            shown = f.getPresentation(False)
            a.getText().insertString(a, shown, True)
        # Hyperlinks are character attributes: clearing them leaves the plain text.
        for name in ("HyperLinkURL", "HyperLinkName", "HyperLinkTarget"):
            try:
                rng.setPropertyValue(name, "")
            except Exception:
                pass
        for name in ("UnvisitedCharStyleName", "VisitedCharStyleName"):
            try:
                rng.setPropertyToDefault(name)
            except Exception:
                pass

    # --- Calc: paste into the first sheet ------------------------------------------------
    def paste_sheet(self, d, html_file=None, text_file=None):
        if html_file:
            with open(html_file, "rb") as f:
                html = f.read()
            contents = html_transferable(html)
            html = html.decode("utf-8", "replace")
        elif text_file:
            contents, html = self.contents(None, text_file), None
        else:
            clipboard = self.clipboard()
            contents = sheet_transferable(clipboard)
            html = clipboard_html(clipboard)
        controller = d.getCurrentController()
        sheet = d.getSheets().getByIndex(0)
        controller.setActiveSheet(sheet)
        start = controller.getSelection().getRangeAddress()  # the paste goes here
        controller.insertTransferable(contents)
        self._drop_sheet_links(sheet)
        try:
            used = sheet.createCursor()
            used.gotoEndOfUsedArea(False)
            start.EndRow = max(start.EndRow, used.getRangeAddress().EndRow)
            start.EndColumn = max(start.EndColumn, used.getRangeAddress().EndColumn)
            mark_cells(sheet, start, html)
        except Exception:
            pass  # the text is there; only the look of the marks is missing
        self.show(d)

    def _content_cells(self, sheet):
        from com.sun.star.sheet.CellFlags import STRING, FORMATTED
        ranges = sheet.queryContentCells(STRING | FORMATTED)
        e = ranges.getCells().createEnumeration()
        while e.hasMoreElements():
            yield e.nextElement()

    def _drop_sheet_links(self, sheet):
        for cell in self._content_cells(sheet):
            fields = cell.getTextFields()
            if not fields.hasElements():
                continue
            e = fields.createEnumeration()
            if not any(is_url_field(e.nextElement()) for _ in iter(e.hasMoreElements, False)):
                continue
            # A cell's fields cannot be replaced in place: the cell's text is written anew, piece
            # by piece, each link by its shown text, with the character look of every piece kept.
            pieces = []
            paragraphs = cell.getText().createEnumeration()
            while paragraphs.hasMoreElements():
                if pieces:
                    pieces.append(("\n", None))
                portions = paragraphs.nextElement().createEnumeration()
                while portions.hasMoreElements():
                    portion = portions.nextElement()
                    look = {}
                    for name in CHAR_LOOK:
                        try:
                            look[name] = portion.getPropertyValue(name)
                        except Exception:
                            pass
                    pieces.append((portion.getString(), look))
            text = cell.getText()
            text.setString("")
            cursor = text.createTextCursor()
            for piece, look in pieces:
                if piece == "\n" and look is None:
                    from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
                    text.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)
                    continue
                if not piece:
                    continue
                text.insertString(cursor, piece, False)
                cursor.goLeft(len(piece), True)
                for name, value in look.items():
                    try:
                        cursor.setPropertyValue(name, value)
                    except Exception:
                        pass
                cursor.collapseToEnd()

    # --- For the tests -------------------------------------------------------------------
    def inspect(self, d):
        if d.supportsService(CALC):
            sheets = d.getSheets()
            sheet = sheets.getByIndex(0)
            cells, links, struck = [], 0, []
            for cell in self._content_cells(sheet):
                cells.append(cell.getString())
                paragraphs = cell.getText().createEnumeration()
                while paragraphs.hasMoreElements():
                    portions = paragraphs.nextElement().createEnumeration()
                    while portions.hasMoreElements():
                        portion = portions.nextElement()
                        if portion.getPropertyValue("CharStrikeout") not in (0,):
                            struck.append(portion.getString())
                e = cell.getTextFields().createEnumeration()
                while e.hasMoreElements():
                    if is_url_field(e.nextElement()):
                        links += 1
            return {"sheets": sheets.getCount(), "cells": cells, "links": links, "struck": struck}
        text = d.getText()
        struck, underlined, backs, links, full = [], [], 0, 0, []
        e = text.createEnumeration()
        while e.hasMoreElements():
            para = e.nextElement()
            if not para.supportsService("com.sun.star.text.Paragraph"):
                full.append(para.getAnchor().getString() if hasattr(para, "getAnchor") else "")
                continue
            pe = para.createEnumeration()
            while pe.hasMoreElements():
                portion = pe.nextElement()
                s = portion.getString()
                if portion.getPropertyValue("CharStrikeout") not in (0,):
                    struck.append(s)
                if portion.getPropertyValue("CharUnderline") not in (0,) and s.strip():
                    underlined.append(s)
                back = portion.getPropertyValue("CharBackColor")
                if back not in (-1, 0xFFFFFF) and s.strip():
                    backs += 1
                if portion.getPropertyValue("HyperLinkURL") and s:
                    links += 1
                if portion.getPropertyValue("CharColor") != COL_AUTO and s.strip():
                    full.append("\x00coloured:" + s)
        fields = 0
        fe = d.getTextFields().createEnumeration()
        while fe.hasMoreElements():
            fe.nextElement()
            fields += 1
        redlines = d.getRedlines()
        rcount = 0
        re_ = redlines.createEnumeration()
        while re_.hasMoreElements():
            re_.nextElement()
            rcount += 1
        view = d.getCurrentController().getViewCursor()
        probe = text.createTextCursorByRange(view.getEnd())
        cursor_at_end = not probe.goRight(1, False)
        coloured = [s[len("\x00coloured:"):] for s in full if s.startswith("\x00coloured:")]
        window = d.getCurrentController().getFrame().getContainerWindow()
        return {"text": text.getString(), "struck": struck, "underlined": underlined, "backgrounds": backs, "links": links,
                "fields": fields, "redlines": rcount, "cursor_at_end": cursor_at_end,
                "coloured": coloured, "visible": bool(window.isVisible())}

    def record_changes(self, d, on):
        d.setPropertyValue("RecordChanges", bool(on))

    def insert_link(self, d, text_, url):
        text = d.getText()
        c = text.createTextCursor()
        c.gotoEnd(False)
        text.insertString(c, text_, True)
        c.setPropertyValue("HyperLinkURL", url)

    def close(self, d):
        d.setModified(False)
        d.close(True)

    def terminate(self):
        for kind in ("writer", "calc"):  # nothing left to ask about
            for d in self.documents(kind):
                try:
                    d.setModified(False)
                except Exception:
                    pass
        try:
            self.desktop.terminate()
        except Exception:
            pass  # the bridge goes down with the office
        self.desktop = None
        # Answer once the office no longer accepts connections, so that a following start does
        # not meet an office still on its way out.
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                self._resolve()
            except Exception:
                break
            time.sleep(0.2)
        if self.started is not None:
            try:
                self.started.wait(timeout=max(0.0, deadline - time.monotonic()))
            except Exception:
                pass


HTML_SIMPLE = 'application/x-openoffice-html-simple;windows_formatname="HTML Format"'


def clip_html(html):
    """The clipboard's HTML in the Windows "HTML Format" envelope (offsets into UTF-8 bytes)."""
    body = html
    if b"<!--StartFragment" not in body:
        body = b"<html><body><!--StartFragment-->" + body + b"<!--EndFragment--></body></html>"
    head = ("Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\n"
            "StartFragment:%010d\r\nEndFragment:%010d\r\n")
    size = len(head % (0, 0, 0, 0))
    start = size + body.index(b"<!--StartFragment")
    end = size + body.index(b"<!--EndFragment")
    return (head % (size, size + len(body), start, end)).encode("ascii") + body


def clipboard_html(contents):
    for f in contents.getTransferDataFlavors():
        if f.MimeType.split(";")[0].strip() == "text/html":
            html = bytes(contents.getTransferData(f).value)
            if html.startswith(b"\xff\xfe") or html[1:2] == b"\x00":
                return html.decode("utf-16")
            return html.decode("utf-8", "replace")
    return None


BLOCK_TAGS = {"p", "div", "br", "tr", "td", "th", "li", "table", "h1", "h2", "h3", "h4", "h5", "h6",
              "blockquote", "pre", "dd", "dt", "ul", "ol", "center"}
VOID_TAGS = {"br", "img", "hr", "meta", "link", "input", "col", "wbr", "area", "base"}


def html_blocks(html):
    """The clipboard's text by blocks (one per spreadsheet cell), each character with the look of
    the change marks: (text, [(struck, background or None) per character])."""
    from html.parser import HTMLParser
    import re

    class Reader(HTMLParser):
        def __init__(self):
            super().__init__(convert_charrefs=True)
            self.stack, self.blocks = [], [([], [])]

        def look(self, tag, attrs):
            style = (dict(attrs).get("style") or "").lower()
            struck = tag in ("s", "strike", "del") or "line-through" in style
            back = None
            m = re.search(r"background(?:-color)?\s*:\s*(#[0-9a-f]{6}|rgb\(\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*\))", style)
            if m:
                back = int(m.group(1)[1:], 16) if m.group(1).startswith("#") else (
                    int(m.group(2)) << 16 | int(m.group(3)) << 8 | int(m.group(4)))
            return struck, back

        def handle_starttag(self, tag, attrs):
            if tag in BLOCK_TAGS:
                self.blocks.append(([], []))
            if tag not in VOID_TAGS:
                self.stack.append((tag, self.look(tag, attrs)))

        def handle_endtag(self, tag):
            for i in range(len(self.stack) - 1, -1, -1):
                if self.stack[i][0] == tag:
                    del self.stack[i:]
                    break
            if tag in BLOCK_TAGS:
                self.blocks.append(([], []))

        def handle_data(self, data):
            struck = any(l[0] for _, l in self.stack)
            back = next((l[1] for _, l in reversed(self.stack) if l[1] is not None), None)
            chars, looks = self.blocks[-1]
            chars.append(data)
            looks.extend([(struck, back)] * len(data))

    reader = Reader()
    reader.feed(html)
    out = []
    for chars, looks in reader.blocks:
        text, look = [], []
        for ch, lk in zip("".join(chars), looks):  # whitespace collapses as the page shows it
            if ch in " \t\r\n":
                if text and text[-1] != " ":
                    text.append(" ")
                    look.append((False, None))
            else:
                text.append(ch)
                look.append(lk)
        while text and text[-1] == " ":
            text.pop()
            look.pop()
        if text:
            out.append(("".join(text), look))
    return out


def mark_cells(sheet, area, html):
    """The spreadsheet's HTML import keeps no look inside a cell: the struck-through and coloured
    runs of the clipboard are set again on the pasted cells whose text matches their block."""
    if not html:
        return
    blocks = html_blocks(html)
    b = 0
    for row in range(area.StartRow, area.EndRow + 1):
        for col in range(area.StartColumn, area.EndColumn + 1):
            cell = sheet.getCellByPosition(col, row)
            s = cell.getString()
            if not s:
                continue
            for ahead in range(b, min(b + 50, len(blocks))):
                if blocks[ahead][0] == s:
                    b = ahead
                    break
            else:
                continue
            text, look = blocks[b]
            b += 1
            i = 0
            while i < len(look):
                j = i
                while j < len(look) and look[j] == look[i]:
                    j += 1
                struck, back = look[i]
                if struck or back is not None:
                    cursor = cell.getText().createTextCursor()
                    cursor.gotoStart(False)
                    cursor.goRight(i, False)
                    cursor.goRight(j - i, True)
                    if struck:
                        cursor.setPropertyValue("CharStrikeout", 1)
                    if back is not None:
                        try:
                            cursor.setPropertyValue("CharBackColor", back)
                        except Exception:
                            pass
                i = j


def html_transferable(html):
    """The HTML (UTF-8 bytes) in the Windows "HTML Format" envelope, as the office's own clipboard
    would offer it. Pasted from this, the spreadsheet does not stop to ask for import options, as
    it does for plain HTML."""
    import unohelper
    from com.sun.star.datatransfer import XTransferable, DataFlavor

    data = clip_html(html)

    class Transferable(unohelper.Base, XTransferable):
        def __init__(self):
            self.flavor = DataFlavor()
            self.flavor.MimeType = HTML_SIMPLE
            self.flavor.HumanPresentableName = "HTML Format"
            self.flavor.DataType = uno.getTypeByName("[]byte")

        def getTransferData(self, flavor):
            return uno.ByteSequence(data)

        def getTransferDataFlavors(self):
            return (self.flavor,)

        def isDataFlavorSupported(self, flavor):
            return flavor.MimeType == HTML_SIMPLE

    return Transferable()


def text_transferable(text):
    """Plain text as the office's own clipboard offers it."""
    import unohelper
    from com.sun.star.datatransfer import XTransferable, DataFlavor

    class Transferable(unohelper.Base, XTransferable):
        def __init__(self):
            self.flavor = DataFlavor()
            self.flavor.MimeType = "text/plain;charset=utf-16"
            self.flavor.HumanPresentableName = "Unicode text"
            self.flavor.DataType = uno.getTypeByName("string")

        def getTransferData(self, flavor):
            return text

        def getTransferDataFlavors(self):
            return (self.flavor,)

        def isDataFlavorSupported(self, flavor):
            return flavor.MimeType.startswith("text/plain")

    return Transferable()


def sheet_transferable(contents):
    html = clipboard_html(contents)
    return contents if html is None else html_transferable(html.encode("utf-8"))


def handle(office, req):
    op = req.get("op")
    if op == "start":
        return office.start()
    office.start()
    if op == "count":
        return office.count(req["kind"])
    if op == "list":
        return office.list(req["kind"])
    if op == "create":
        return office.create(req["kind"])
    if op == "terminate":
        return office.terminate()
    if op == "open":
        d = office.desktop.loadComponentFromURL(uno.systemPathToFileUrl(req["path"]), "_blank", 0,
                                                (prop("Hidden", True),))
        return str(d.RuntimeUID)
    d = office.find(req["key"])
    if op == "append":
        return office.append(d, req.get("html_file"), req.get("text_file"))
    if op == "paste_sheet":
        return office.paste_sheet(d, req.get("html_file"), req.get("text_file"))
    if op == "show":
        return office.show(d)
    if op == "inspect":
        return office.inspect(d)
    if op == "record_changes":
        return office.record_changes(d, req.get("on", True))
    if op == "insert_link":
        return office.insert_link(d, req["text"], req["url"])
    if op == "close":
        return office.close(d)
    if op == "save_as":
        return d.storeAsURL(uno.systemPathToFileUrl(req["path"]), ())
    raise Failure("failed", "неизвестная команда %r" % op)


def parse_args(argv):
    args, i = {}, 0
    while i < len(argv):
        if argv[i].startswith("--") and i + 1 < len(argv):
            args[argv[i][2:]] = argv[i + 1]
            i += 2
        else:
            i += 1
    return args


def main():
    # Answers are UTF-8 whatever the locale says: the program reads them so.
    sys.stdin.reconfigure(encoding="utf-8")
    sys.stdout.reconfigure(encoding="utf-8")
    out = sys.stdout
    office = Office(parse_args(sys.argv[1:])) if HAVE_UNO else None
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        gone = False
        try:
            req = json.loads(line)
            if office is None:
                raise Failure("not_installed", "нет связки LibreOffice для Python (пакет python3-uno)")
            answer = {"ok": True, "result": handle(office, req)}
        except Failure as f:
            answer = {"ok": False, "error": f.kind, "message": str(f)}
        except Exception as e:  # noqa: BLE001 - every failure becomes an answer
            name = type(e).__name__
            gone = HAVE_UNO and isinstance(e, (DisposedException, RuntimeException)) and (
                "Binary URP bridge" in str(e) or "disposed" in str(e).lower() or name == "DisposedException")
            answer = {"ok": False, "error": "disconnected" if gone else "failed", "message": "ошибка LibreOffice (%s): %s" % (name, e)}
        out.write(json.dumps(answer, ensure_ascii=False) + "\n")
        out.flush()
        if gone:
            return 3


if __name__ == "__main__":
    sys.exit(main())
