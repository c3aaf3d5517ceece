"""A structural check of JSON documents against a JSON Schema, for the
subset dist/tesmo-report.schema.json uses: type, enum, required,
properties, additionalProperties, items, minimum, dependentRequired.
"""

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
