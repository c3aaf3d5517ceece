#!/usr/bin/env python3
"""A structural check of JSON documents against a JSON Schema, for the
subset dist/tesmo-report.schema.json uses: type, enum, required,
properties, additionalProperties, items, minimum, dependentRequired.

    report_schema.py SCHEMA [FILE]   checks every line of FILE (standard
                                     input without one); exit 1 on a fault
"""
import json
import sys

TYPES = {
    "object": lambda v: isinstance(v, dict),
    "array": lambda v: isinstance(v, list),
    "string": lambda v: isinstance(v, str),
    "integer": lambda v: isinstance(v, int) and not isinstance(v, bool),
    "number": lambda v: isinstance(v, (int, float)) and not isinstance(v, bool),
    "boolean": lambda v: isinstance(v, bool),
    "null": lambda v: v is None,
}


def check(value, schema, path="$"):
    """The faults of value against schema, as 'path: why' texts."""
    faults = []
    if "type" in schema:
        names = schema["type"] if isinstance(schema["type"], list) else [schema["type"]]
        if not any(TYPES[name](value) for name in names):
            return ["%s: %r is not of type %s" % (path, value, "/".join(names))]
    if "enum" in schema and value not in schema["enum"]:
        faults.append("%s: %r is none of %r" % (path, value, schema["enum"]))
    if "minimum" in schema and TYPES["number"](value) and value < schema["minimum"]:
        faults.append("%s: %r is below %r" % (path, value, schema["minimum"]))
    if isinstance(value, dict):
        for key in schema.get("required", []):
            if key not in value:
                faults.append("%s: %s is missing" % (path, key))
        for key, needed in schema.get("dependentRequired", {}).items():
            if key in value:
                faults += ["%s: %s needs %s" % (path, key, n) for n in needed if n not in value]
        properties = schema.get("properties", {})
        extra = schema.get("additionalProperties", True)
        for key, item in value.items():
            if key in properties:
                faults += check(item, properties[key], "%s.%s" % (path, key))
            elif extra is False:
                faults.append("%s: %s is not allowed" % (path, key))
            elif isinstance(extra, dict):
                faults += check(item, extra, "%s.%s" % (path, key))
    if isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            faults += check(item, schema["items"], "%s[%d]" % (path, i))
    return faults


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    source = open(sys.argv[2], encoding="utf-8") if len(sys.argv) > 2 else sys.stdin
    bad = 0
    for number, line in enumerate(source, 1):
        if not line.strip():
            continue
        for fault in check(json.loads(line), schema):
            print("line %d: %s" % (number, fault), file=sys.stderr)
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
