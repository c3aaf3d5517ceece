#!/usr/bin/env python3
"""The Gen. Table handed over to Prometheus, on the lab: Tesmo writes
generator.yml for a stored table of the table agent's interfaces,
prometheus-snmp-generator turns it into snmp.yml with Tesmo's MIB folders,
and prometheus-snmp-exporter (on the loopback of the lab namespace) scrapes
the agent: every metric of the table equals the cell Tesmo's own walk shows.

Runs inside the lab namespace; TESMO_BINARY is the program.
"""
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

BINARY = os.environ["TESMO_BINARY"]
AGENT = ["127.0.77.39", "--port", "161"]
# The stored table: its titles are the MIB's names of its columns.
TABLE = """[GenTable\\CustomTables\\0]
Name="lab interfaces"
0=".1.3.6.1.2.1.2.2.1.1|ifIndex|9|6|0|3"
1=".1.3.6.1.2.1.2.2.1.2|ifDescr|20|0|0|5"
2=".1.3.6.1.2.1.2.2.1.4|ifMtu|9|6|0|3"
3=".1.3.6.1.2.1.2.2.1.5|ifSpeed|9|6|0|3"
4=".1.3.6.1.2.1.2.2.1.6|ifPhysAddress|14|0|0|5"
"""
MODULE = "tesmo_lab_interfaces"
SAMPLE = re.compile(r'^(\w+)\{(.*)\} (\S+)$')

work = tempfile.mkdtemp(prefix="tesmo-exporter-")
os.makedirs(os.path.join(work, "config", "tesmo"))
with open(os.path.join(work, "config", "tesmo", "tesmo.ini"), "w") as f:
    f.write(TABLE)
failures = []


def tesmo(*arguments):
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))
    done = subprocess.run([BINARY, "--batch"] + AGENT[:1] + ["gentable"] + AGENT[1:] +
                          list(arguments), capture_output=True, timeout=120, env=environment,
                          cwd=work)
    if done.returncode != 0:
        sys.exit("tesmo %r: exit %d, %s" % (arguments, done.returncode, done.stderr.decode()))
    return done.stdout.decode()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def scrape(port):
    """The exporter's samples of the module: (name, labels) -> value."""
    url = "http://127.0.0.1:%d/snmp?module=%s&target=%s:161" % (port, MODULE, AGENT[0])
    for _ in range(50):
        try:
            text = urllib.request.urlopen(url, timeout=10).read().decode()
            break
        except OSError:
            time.sleep(0.1)
    else:
        sys.exit("the exporter did not answer")
    samples = {}
    for line in text.splitlines():
        match = SAMPLE.match(line)
        if match:
            labels = dict(re.findall(r'(\w+)="((?:[^"\\]|\\.)*)"', match.group(2)))
            samples[(match.group(1), labels["ifIndex"])] = (labels, float(match.group(3)))
    return samples


def main():
    generator = tesmo("--export", "snmp-exporter")
    with open(os.path.join(work, "generator.yml"), "w") as f:
        f.write(generator)
    folders = re.search(r"^#\s+MIBDIRS=(\S+) ", generator, re.M).group(1)
    done = subprocess.run(["prometheus-snmp-generator", "generate"], cwd=work, timeout=120,
                          env=dict(os.environ, MIBDIRS=folders), capture_output=True)
    if done.returncode != 0 or "lookups:" not in generator:
        sys.exit("generator: %s\n%s" % (done.stderr.decode(), generator))
    port = free_port()
    exporter = subprocess.Popen(["prometheus-snmp-exporter", "--config.file=snmp.yml",
                                 "--web.listen-address=127.0.0.1:%d" % port], cwd=work,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        samples = scrape(port)
    finally:
        exporter.terminate()
        exporter.wait(10)

    report = json.loads(tesmo("--format", "json"))
    columns = report["columns"]
    if len(report["rows"]) < 4:
        failures.append("Tesmo shows %d rows" % len(report["rows"]))
    for row, values in zip(report["rows"], report["values"]):
        index = row[0]
        for column, cell, value in zip(columns, row, values):
            labels, metric = samples.get((column, index), ({}, None))
            if column in ("ifDescr", "ifPhysAddress"):
                # Text is a label of its own sample; an empty address is 0s.
                got = labels.get(column, "").replace(":", "")
                want = "000000000000" if cell == '""' else cell
            else:
                got, want = metric, float(value)
            if got != want or labels.get("ifDescr") != row[1]:
                failures.append("%s of %s: exporter %r (%r), Tesmo %r" %
                                (column, index, got, labels, want))

    shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL", failure)
    print("%d samples, %d faults" % (len(samples), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
