#!/usr/bin/env python3
"""Validates JSON documents against a JSON Schema with python3-jsonschema.

    validate_json.py SCHEMA FILE...

Prints each violation as "FILE: PATH: message" and exits 1 when there is
any, 2 when the schema itself is not a valid schema; 0 otherwise."""
import json
import sys

import jsonschema


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    try:
        validator_class.check_schema(schema)
    except jsonschema.SchemaError as e:
        print(f"{argv[1]}: not a valid schema: {e.message}", file=sys.stderr)
        return 2
    validator = validator_class(schema)
    faults = 0
    for path in argv[2:]:
        try:
            with open(path, encoding="utf-8") as f:
                document = json.load(f)
        except (OSError, ValueError) as e:
            print(f"{path}: {e}")
            faults += 1
            continue
        for error in sorted(validator.iter_errors(document), key=lambda e: list(e.path)):
            where = "/".join(str(p) for p in error.absolute_path) or "(root)"
            print(f"{path}: {where}: {error.message}")
            faults += 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
