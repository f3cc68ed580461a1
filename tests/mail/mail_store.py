"""aiosmtpd handler for the mail tests: stores each received mail as a JSON file.

Started by the tests as
    /usr/bin/python3 -m aiosmtpd -n -l 127.0.0.1:PORT -c mail_store.StoreHandler FOLDER
Each mail becomes FOLDER/mail-NNNN.json (written to a temporary name first and renamed, so a
test never reads half a file), holding the envelope, the raw message and what Python's standard
mail parser reads from it.
"""

import email
import email.policy
import json
import os


class StoreHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    @classmethod
    def from_cli(cls, parser, *args):
        if len(args) != 1:
            parser.error("mail_store.StoreHandler needs the folder to store mails in")
        return cls(args[0])

    async def handle_DATA(self, server, session, envelope):
        content = envelope.content
        if isinstance(content, str):
            content = content.encode("utf-8", errors="surrogateescape")
        msg = email.message_from_bytes(content, policy=email.policy.default)
        record = {
            "helo": session.host_name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": list(envelope.rcpt_tos),
            "raw": content.decode("ascii", errors="backslashreplace"),
            "raw_is_ascii": all(b < 128 for b in content),
            "date": str(msg["date"] or ""),
            "from": str(msg["from"] or ""),
            "to": [str(v) for v in (msg.get_all("to") or [])],
            "subject": str(msg["subject"] or ""),
            "mime_version": str(msg["mime-version"] or ""),
            "content_type": msg.get_content_type(),
            "charset": msg.get_content_charset() or "",
            "transfer_encoding": str(msg["content-transfer-encoding"] or ""),
            "body": msg.get_content(),
            "defects": [type(d).__name__ for d in msg.defects],
        }
        self.count += 1
        path = os.path.join(self.folder, "mail-%04d.json" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as out:
            json.dump(record, out)
        os.replace(path + ".tmp", path)
        return "250 Message accepted for delivery"
