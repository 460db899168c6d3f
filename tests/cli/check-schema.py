#!/usr/bin/env python3
"""Validates signseek-find output against its JSON Schema.

    check-schema.py SCHEMA json|ndjson FILE

json: FILE is one document; ndjson: every line of FILE is one event.
Exits 1 with the first fault found.
"""
import json
import sys

import jsonschema


def main():
    schema_path, kind, path = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    part = {"$ref": "#/$defs/" + ("document" if kind == "json" else "event"), "$defs": schema["$defs"]}
    validator = jsonschema.Draft202012Validator(part)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    items = [text] if kind == "json" else text.splitlines()
    if not items or (kind == "ndjson" and not all(items)):
        print(f"{path}: no {kind} output, or an empty line")
        return 1
    for number, item in enumerate(items, 1):
        try:
            instance = json.loads(item)
        except ValueError as e:
            print(f"{path}:{number}: not JSON: {e}")
            return 1
        error = jsonschema.exceptions.best_match(validator.iter_errors(instance))
        if error is not None:
            print(f"{path}:{number}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
