#!/usr/bin/env python3
"""--batch --format json and csv on the lab, page by page: each page's JSON
document parses, passes the schema (dist/tesmo-report.schema.json) and
holds the cells of the page's text report; its CSV reads back through the
csv module to the same cells; damaged documents fail the schema check; a run
over the twenty agents of lab.d/many.up gives one correct document per
agent in the targets' order and the worst exit status.

Runs inside the lab namespace; TESMO_BINARY is the program.
"""
import csv
import io
import ipaddress
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.environ["TESMO_SOURCE_DIR"], "tests", "support"))
import report_schema  # noqa: E402

BINARY = os.environ["TESMO_BINARY"]
PORT = os.environ.get("TESMO_LAB_SNMP_PORT", "16161")
SCHEMA = json.load(open(os.path.join(os.environ["TESMO_SOURCE_DIR"], "dist",
                                     "tesmo-report.schema.json"), encoding="utf-8"))
CONFIG = tempfile.mkdtemp(prefix="tesmo-formats-")
TABLES = ["127.0.77.39", "--port", "161"]

# (name, arguments, shape, columns or fields whose values change between runs)
CASES = [
    ("interfaces", TABLES[:1] + ["interfaces"] + TABLES[1:], "grid", set()),
    ("addresses", TABLES[:1] + ["addresses"] + TABLES[1:], "grid", set()),
    ("routetable", TABLES[:1] + ["routetable"] + TABLES[1:], "grid", set()),
    ("arptable", TABLES[:1] + ["arptable"] + TABLES[1:], "grid", set()),
    ("gentable", TABLES[:1] + ["gentable"] + TABLES[1:], "grid", set()),
    ("traceroute", ["127.0.0.1", "traceroute"], "grid", {"time0", "time1", "time2"}),
    ("pingfind", ["127.0.0.1", "pingfind", "--count", "3"], "grid", {"status"}),
    ("system", ["127.0.0.1", "system", "--port", PORT], "fields", {"SysUpTime"}),
    ("browser", TABLES[:1] + ["browser", "--oid", ".1.3.6.1.2.1.2.2.1.2"] + TABLES[1:],
     "browser", set()),
    ("dns", ["lab.test", "dns", "--list"], "dns", set()),
    ("dns lookup", ["alpha.lab.test", "dns"], "lookup", set()),
    ("reachability", ["127.0.0.1", "reachability", "--pings", "2"], "reachability", set()),
    ("graph", ["127.0.0.1", "graph", "--samples", "2", "--period", "0.2", "--entry",
               "P:127.0.0.1"], "graph", set()),
]

failures = []


def fail(case, text):
    failures.append("%s: %s" % (case, text))


def run(arguments, timeout=120):
    environment = dict(os.environ, XDG_CONFIG_HOME=CONFIG)
    environment.pop("DISPLAY", None)
    done = subprocess.run([BINARY, "--batch"] + arguments, capture_output=True,
                          timeout=timeout, env=environment, cwd=CONFIG)
    return done.returncode, done.stdout.decode("utf-8")


def unpadded(text):
    text = text.strip()
    match = re.fullmatch(r"(\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3})", text)
    if match:
        return ".".join(str(int(part)) for part in match.groups())
    try:
        return str(ipaddress.ip_address(text))
    except ValueError:
        return text or None


def number(text):
    try:
        value = float(text)
    except ValueError:
        return None
    return int(value) if value.is_integer() else value


def typed(cell, kind):
    """What the JSON values hold for a cell of that type."""
    if kind == "number":
        return number(cell)
    if kind == "ms":
        match = re.fullmatch(r"\s*(\d+(?:\.\d+)?)\s*ms\s*", cell)
        return number(match.group(1)) if match else number(cell)
    if kind == "address":
        lines = [line for line in re.split(r"[\r\n]+", cell) if line]
        return [unpadded(line) for line in lines] if len(lines) > 1 else unpadded(cell)
    return cell


def check_grid(name, document, text, volatile):
    lines = text.split("\n")[:-1]
    table = [line.split("\t")[:-1] for line in lines]
    if table[0] != document["columns"]:
        fail(name, "columns %r, text %r" % (document["columns"], table[0]))
    if len(table) - 1 != len(document["rows"]) or not document["rows"]:
        fail(name, "%d rows in JSON, %d in text" % (len(document["rows"]), len(table) - 1))
        return
    for r, (row, values, line) in enumerate(zip(document["rows"], document["values"], table[1:])):
        for c, column in enumerate(document["columns"]):
            kind = document["types"][c]
            expected = typed(row[c], kind)
            if values[c] != expected:
                fail(name, "row %d %s: value %r, the cell %r reads %r" %
                     (r, column, values[c], row[c], expected))
            # The text shows a tab, CR or LF of a cell as a blank.
            if column not in volatile and re.sub(r"[\t\r\n]", " ", row[c]) != line[c]:
                fail(name, "row %d %s: JSON %r, text %r" % (r, column, row[c], line[c]))


def check_records(name, document, expected):
    got = [[str(record[c]) if record[c] is not None else "" for c in document["columns"]]
           for record in document["records"]]
    if not expected or got != expected:
        fail(name, "records %r, text %r" % (got, expected))


def check_page(name, arguments, shape, volatile):
    code, text = run(arguments)
    json_code, out = run(arguments + ["--format", "json"])
    if code != json_code:
        fail(name, "exit %d with text, %d with JSON" % (code, json_code))
    lines = out.splitlines()
    if len(lines) != 1:
        fail(name, "%d lines of JSON" % len(lines))
        return None
    document = json.loads(lines[0])
    for fault in report_schema.check(document, SCHEMA):
        fail(name, fault)
    if document["tool"] != arguments[1] or document["target"] != arguments[0] \
            or document["exit"] != json_code:
        fail(name, "tool, target or exit wrong: %r" % lines[0][:200])
    if shape == "grid":
        check_grid(name, document, text, volatile)
    elif shape == "fields":
        pairs = dict(line.split(" : ", 1) for line in text.splitlines() if " : " in line)
        pairs["SysDescr"] = pairs["SysDescr"].strip("'")
        for key, value in document["fields"].items():
            if key not in volatile and str(value) != pairs.get(key):
                fail(name, "field %s: JSON %r, text %r" % (key, value, pairs.get(key)))
        if set(pairs) != set(document["fields"]):
            fail(name, "fields %r, text %r" % (sorted(document["fields"]), sorted(pairs)))
    elif shape == "browser":
        check_records(name, document, [
            [oid, record["type"], value] for (oid, value), record in
            zip((line.split("  :  ", 1) for line in text.splitlines()[4:]), document["records"])])
        if any(record["type"] != "OCTET STRING" for record in document["records"]):
            fail(name, "ifDescr is an OCTET STRING: %r" % document["records"])
    elif shape == "dns":
        listed = [line.split(None, 1) for line in text.splitlines() if line.startswith(" ")]
        domain = arguments[0]
        names = [owner.rstrip(".") if owner.endswith(".") else owner + "." + domain
                 for owner, _ in listed]
        check_records(name, document, [
            [n, record["type"], record["class"], str(record["ttl"]), re.sub(r"\s+", " ", data).strip()]
            for n, (_, data), record in zip(names, listed, document["records"])])
    elif shape == "lookup":
        # "Name:    NAME" then "Addresses:  A, B": the server's own lines
        # before them are no answer.
        answer = text.split("Name:")[1]
        addresses = re.findall(r"\d+\.\d+\.\d+\.\d+", answer)
        check_records(name, document, [[answer.split()[0], "A", "IN", "", a] for a in addresses])
    elif shape == "reachability":
        services = [line.split(" : ") for line in text.split("ping results")[0].splitlines()
                    if " : " in line]
        check_records(name, document, services)
    elif shape == "graph":
        if document["columns"] != text.splitlines()[0].split("\t") or \
                len(document["records"]) != len(text.splitlines()) - 1:
            fail(name, "samples %r, text %r" % (document["records"], text))
    check_csv(name, arguments, document, shape, volatile)
    return document


def check_csv(name, arguments, document, shape, volatile):
    _, out = run(arguments + ["--format", "csv"])
    table = list(csv.reader(io.StringIO(out, newline="")))
    if shape == "fields":
        expected = [["field", "value"]] + [[k, str(v)] for k, v in document["fields"].items()]
        table = [table[0]] + sorted(table[1:])
        expected = [expected[0]] + sorted(expected[1:])
    elif shape == "grid":
        expected = [document["columns"]] + document["rows"]
    else:
        expected = [document["columns"]] + [[
            "" if record[c] is None else str(record[c]) for c in document["columns"]]
            for record in document["records"]]
    if not out.endswith("\r\n") or len(table) != len(expected) or table[0] != expected[0]:
        fail(name, "CSV %r, JSON %r" % (table[:3], expected[:3]))
        return
    if shape == "graph":
        return  # two runs, two sets of samples
    kinds = document.get("types", ["text", "text"])
    for row, want in zip(table[1:], expected[1:]):
        for column, kind, got, cell in zip(expected[0], kinds, row, want):
            if column in volatile or (shape == "fields" and row[0] in volatile):
                continue
            if shape != "grid" and kind == "number":
                got, cell = number(got), number(cell)
            if got != cell:
                fail(name, "CSV %s %r, JSON %r" % (column, got, cell))


def check_damaged(document):
    """A damaged document fails the schema check, one damage at a time."""
    damages = [
        ("no tool", lambda d: d.pop("tool")),
        ("exit as text", lambda d: d.__setitem__("exit", "0")),
        ("row not a list", lambda d: d["rows"].__setitem__(0, "1 up up")),
        ("cell a number", lambda d: d["rows"][0].__setitem__(0, 1)),
        ("unknown type", lambda d: d["types"].__setitem__(0, "float")),
        ("rows without values", lambda d: d.pop("values")),
    ]
    for name, damage in damages:
        broken = json.loads(json.dumps(document))
        damage(broken)
        if not report_schema.check(broken, SCHEMA):
            fail("schema", "the damage '%s' passes" % name)


def check_many_targets():
    """Twenty agents, --jobs 4, a silent and an unknown host among them."""
    agents = ["127.0.78.%d" % i for i in range(1, 21)]
    targets = agents + ["127.0.78.99", "no-such-host.invalid"]
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write("# the fleet\n" + "\n".join(targets) + "\n\n")
    arguments = ["@" + f.name, "interfaces", "--port", "161", "--timeout", "300",
                 "--retries", "0", "--jobs", "4"]
    code, out = run(arguments + ["--format", "json"])
    documents = [json.loads(line) for line in out.splitlines()]
    if code != 2 or [d["target"] for d in documents] != targets:
        fail("many", "exit %d, targets %r" % (code, [d["target"] for d in documents]))
        return
    for i, document in enumerate(documents[:20], 1):
        speed = document["values"][0][document["columns"].index("speed")] \
            if document.get("values") else None
        if document["exit"] != 0 or speed != i * 1000000:
            fail("many", "%s: exit %d, speed %r" % (document["target"], document["exit"], speed))
        for fault in report_schema.check(document, SCHEMA):
            fail("many", fault)
    if [d["exit"] for d in documents[20:]] != [2, 1]:
        fail("many", "silent and unknown hosts: %r" % [d["exit"] for d in documents[20:]])
    code, text = run(["127.0.78.3,127.0.78.4", "interfaces", "--port", "161"])
    single = [run(["127.0.78.%d" % i, "interfaces", "--port", "161"])[1] for i in (3, 4)]
    if code != 0 or text != "==> 127.0.78.3 <==\n%s\n==> 127.0.78.4 <==\n%s" % tuple(single):
        fail("many", "text under headings: %r" % text)
    if run(["127.0.0.1,127.0.0.2", "pingfind", "--count", "2"])[0] != 64:
        fail("many", "pingfind: a list is its own set, which takes no --count")
    # Ctrl+C stops the running targets as Stop does and starts no more: what
    # came out is whole documents, and the exit status says it was stopped.
    environment = dict(os.environ, XDG_CONFIG_HOME=CONFIG)
    process = subprocess.Popen([BINARY, "--batch", "@" + f.name, "reachability", "--pings", "20",
                                "--jobs", "2", "--format", "json"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, env=environment, cwd=CONFIG)
    time.sleep(1.5)
    process.send_signal(signal.SIGINT)
    out, _ = process.communicate(timeout=60)
    lines = out.decode().splitlines()
    if process.returncode != 130 or not 0 < len(lines) < len(targets) or \
            any(json.loads(line)["target"] != t for line, t in zip(lines, targets)):
        fail("many", "stopped: exit %d, %r" % (process.returncode, lines))


METRIC = re.compile(r'^([a-zA-Z_:][a-zA-Z0-9_:]*)\{(.*)\} (\S+)$')


def metrics(name, text):
    """The samples of an exposition, (name, labels) -> value, after checking
    its layout: each family's TYPE once and before its samples, # EOF last."""
    lines = text.split("\n")
    if lines[-2:] != ["# EOF", ""]:
        fail(name, "no # EOF at the end: %r" % text[-40:])
    typed, samples = set(), {}
    for line in lines[:-2]:
        if line.startswith("# TYPE "):
            family = line.split()[2]
            if family in typed or line.split()[3] != "gauge":
                fail(name, "TYPE line %r" % line)
            typed.add(family)
        elif line.startswith("# HELP "):
            continue
        else:
            match = METRIC.match(line)
            if not match or match.group(1) not in typed:
                fail(name, "sample %r" % line)
                continue
            labels = tuple(sorted(re.findall(r'(\w+)="((?:[^"\\]|\\.)*)"', match.group(2))))
            samples[(match.group(1), labels)] = float(match.group(3))
    return samples


def check_hand_over():
    """The metrics and the scrape target list, for one target and several."""
    code, text = run(["127.0.0.1", "reachability", "--pings", "2", "--format", "openmetrics"])
    samples = metrics("reachability metrics", text)
    target = (("target", "127.0.0.1"),)
    if code != 0 or samples.get(("tesmo_ping_sent", target)) != 2 or \
            samples.get(("tesmo_ping_received", target)) != 2 or \
            samples.get(("tesmo_ping_loss_ratio", target)) != 0 or \
            ("tesmo_service_up", (("service", "SNMP"), ("target", "127.0.0.1"))) not in samples:
        fail("reachability metrics", "exit %d: %r" % (code, samples))
    code, text = run(["127.0.0.1", "graph", "--samples", "2", "--period", "0.2", "--entry",
                      "P:127.0.0.1", "--format", "openmetrics"])
    labels = (("entry", "127.0.0.1"), ("kind", "round_trip"), ("target", "127.0.0.1"))
    samples = metrics("graph metrics", text)
    if code != 0 or samples.get(("tesmo_graph_lost_readings", labels)) != 0 or \
            samples.get(("tesmo_graph_answered_readings", labels), 0) < 2 or \
            ("tesmo_graph_round_trip_milliseconds", labels) not in samples:
        fail("graph metrics", "exit %d: %r" % (code, samples))
    code, text = run(["127.0.0.1,127.0.0.2", "reachability", "--pings", "1", "--format",
                      "openmetrics"])
    samples = metrics("merged metrics", text)
    for host in ("127.0.0.1", "127.0.0.2"):
        if samples.get(("tesmo_ping_received", (("target", host),))) != 1:
            fail("merged metrics", "%s: %r" % (host, samples))
    sweep = ["127.0.0.1", "pingfind", "--count", "3"]
    code, text = run(sweep + ["--format", "prometheus-sd"])
    document = json.loads(run(sweep + ["--format", "json"])[1])
    alive = [row[1] for row in document["rows"] if row[3].startswith("reachable")]
    groups = json.loads(text)
    if code != 0 or [g["targets"] for g in groups] != [[a] for a in alive] or len(alive) != 3 \
            or groups[0]["labels"] != {"name": "lab-loopback"}:
        fail("prometheus-sd", "exit %d: %r, alive %r" % (code, groups, alive))
    if run(["127.0.0.1", "system", "--format", "openmetrics"])[0] != 64:
        fail("formats", "system writes no metrics")


def main():
    documents = {}
    for name, arguments, shape, volatile in CASES:
        documents[name] = check_page(name, arguments, shape, volatile)
    if documents.get("interfaces"):
        check_damaged(documents["interfaces"])
    check_many_targets()
    check_hand_over()
    for failure in failures:
        print("FAIL", failure)
    print("%d pages, %d faults" % (len(CASES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
