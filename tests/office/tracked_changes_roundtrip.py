"""Opens a flat document with tracked changes in a LibreOffice of its own (headless, private
profile), stores it as .odt and .docx, and for each reloads it twice: once accepting all
changes, once rejecting all. Writes the four texts to OUT_DIR/{odt,docx}_{accept,reject}.txt.

usage: tracked_changes_roundtrip.py SOFFICE FLAT.fodt OUT_DIR
"""
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def connect(pipe, office):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.time() + 90
    while True:
        try:
            return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            if time.time() > deadline or office.poll() is not None:
                raise
            time.sleep(0.25)


def resolved_text(desktop, ctx, path, command):
    doc = desktop.loadComponentFromURL(url(path), "_blank", 0, (prop("Hidden", True),))
    try:
        dispatcher = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.DispatchHelper", ctx)
        dispatcher.executeDispatch(doc.getCurrentController().getFrame(), command, "", 0, ())
        paragraphs = []
        enum = doc.Text.createEnumeration()
        while enum.hasMoreElements():
            element = enum.nextElement()
            if element.supportsService("com.sun.star.text.Paragraph"):
                paragraphs.append(element.getString())
        return "\n".join(paragraphs)
    finally:
        doc.close(True)


def main():
    soffice, flat, out_dir = sys.argv[1:4]
    pipe = "parvel_tracked_%d" % os.getpid()
    profile = os.path.join(out_dir, "profile")
    office = subprocess.Popen([soffice, "-env:UserInstallation=" + url(profile), "--headless", "--invisible",
                               "--norestore", "--nologo", "--nodefault",
                               "--accept=pipe,name=%s;urp;" % pipe],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ctx = connect(pipe, office)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL(url(flat), "_blank", 0, (prop("Hidden", True),))
        stored = {"odt": os.path.join(out_dir, "tracked.odt"), "docx": os.path.join(out_dir, "tracked.docx")}
        doc.storeToURL(url(stored["odt"]), (prop("FilterName", "writer8"),))
        doc.storeToURL(url(stored["docx"]), (prop("FilterName", "MS Word 2007 XML"),))
        doc.close(True)
        for kind, path in stored.items():
            for name, command in (("accept", ".uno:AcceptAllTrackedChanges"), ("reject", ".uno:RejectAllTrackedChanges")):
                text = resolved_text(desktop, ctx, path, command)
                with open(os.path.join(out_dir, "%s_%s.txt" % (kind, name)), "w", encoding="utf-8") as f:
                    f.write(text)
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes down with the office
        office.wait(30)
    finally:
        if office.poll() is None:
            office.kill()
            office.wait()


if __name__ == "__main__":
    main()
