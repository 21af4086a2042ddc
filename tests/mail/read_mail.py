#!/usr/bin/python3
"""Prints what a test checks in each .eml file of a folder, as JSON: envelope (where the server
wrote one), headers, the decoded subject, the text and HTML parts, and each attachment opened:
a PDF's text (pdftotext) and a workbook's rows (openpyxl)."""
import email
import email.header
import email.policy
import io
import json
import os
import subprocess
import sys

import openpyxl


def attachment(part):
    data = part.get_payload(decode=True)
    kind = part.get_content_type()
    if kind == "application/pdf":
        text = subprocess.run(["pdftotext", "-layout", "-", "-"], input=data,
                              capture_output=True, check=True).stdout.decode()
        return {"name": part.get_filename(), "type": kind, "text": text}
    if kind.endswith("spreadsheetml.sheet"):
        ws = openpyxl.load_workbook(io.BytesIO(data)).worksheets[0]
        rows = [[None if c is None else str(c) for c in r] for r in ws.iter_rows(values_only=True)]
        return {"name": part.get_filename(), "type": kind, "rows": rows}
    return {"name": part.get_filename(), "type": kind, "size": len(data)}


out = []
folder = sys.argv[1]
for name in sorted(f for f in os.listdir(folder) if f.endswith(".eml")):
    with open(os.path.join(folder, name), "rb") as f:
        raw = f.read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    plain = email.message_from_bytes(raw)  # headers as they were written
    m = {"file": name, "headers": [k for k, _ in msg.raw_items()],
         "to": str(msg["To"]), "rawSubject": str(plain["Subject"]),
         "subject": str(email.header.make_header(email.header.decode_header(plain["Subject"]))),
         "text": "", "html": "", "attachments": [], "scripts": 0}
    envelope = os.path.join(folder, name[:-4] + ".json")
    if os.path.exists(envelope):
        with open(envelope) as f:
            m["envelope"] = json.load(f)
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            m["attachments"].append(attachment(part))
        elif part.get_content_type() == "text/plain":
            m["text"] = part.get_content()
        elif part.get_content_type() == "text/html":
            m["html"] = part.get_content()
    out.append(m)
print(json.dumps(out, ensure_ascii=False))
