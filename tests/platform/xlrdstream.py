#!/usr/bin/python3
"""Prints the "Workbook" stream of a compound document as xlrd's container reader sees it, as
one JSON object: {"size": bytes, "sha256": hex, "remarks": [what xlrd found wrong]}.
xlrd runs with its checks on: a FAT or DIFAT sector count other than the file needs, a stream
shorter than its entry says, a sector used twice or past the end are remarked or refused."""
import hashlib, io, json, sys
from xlrd import compdoc

with open(sys.argv[1], 'rb') as f:
    mem = f.read()
log = io.StringIO()
doc = compdoc.CompDoc(mem, logfile=log, DEBUG=1)
stream = doc.get_named_stream('Workbook')
remarks = [line for line in log.getvalue().splitlines() if 'WARNING' in line or '===>>>' in line]
print(json.dumps({'size': len(stream), 'sha256': hashlib.sha256(stream).hexdigest(), 'remarks': remarks}))
