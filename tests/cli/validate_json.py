#!/usr/bin/env python3
"""Validates sperrow's JSON against the schemas of docs/json.

usage: validate_json.py SCHEMA_DIR SCHEMA FILE [--lines [--last SCHEMA]]
  FILE holds one JSON document, or with --lines one per line (JSON Lines); with --last the
  last line is checked against another schema (serve's transfer lines, then its object).
Prints what does not validate and exits 1; 0 when all does.
"""
import json
import pathlib
import sys

import jsonschema


def validator_for(schemas, name):
    schema = schemas[name]
    cls = jsonschema.validators.validator_for(schema)
    cls.check_schema(schema)
    try:  # jsonschema 4.18 and later resolve references through a registry
        from referencing import Registry, Resource
        registry = Registry().with_resources(
            (key, Resource.from_contents(value)) for key, value in schemas.items())
        return cls(schema, registry=registry)
    except ImportError:  # Debian's 4.10
        return cls(schema, resolver=jsonschema.RefResolver.from_schema(schema, store=schemas))


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    schema_dir, name, file = argv[1:4]
    last = argv[argv.index("--last") + 1] if "--last" in argv else name
    schemas = {}
    for path in pathlib.Path(schema_dir).glob("*.schema.json"):
        schema = json.loads(path.read_text())
        schemas[path.name] = schemas[schema["$id"]] = schema
    text = pathlib.Path(file).read_text(encoding="utf-8")
    documents = [line for line in text.splitlines() if line] if "--lines" in argv else [text]
    if not documents:
        print(f"{file}: no JSON at all")
        return 1
    failed = 0
    for number, document in enumerate(documents, 1):
        schema = last if number == len(documents) else name
        try:
            value = json.loads(document)
        except json.JSONDecodeError as error:
            print(f"{file}:{number}: not JSON ({error}): {document[:200]}")
            failed += 1
            continue
        for error in validator_for(schemas, schema).iter_errors(value):
            path = "/".join(str(part) for part in error.absolute_path)
            print(f"{file}:{number}: {schema} at /{path}: {error.message}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
