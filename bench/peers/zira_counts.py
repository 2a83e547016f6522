#!/usr/bin/python3
"""Turns Zira's JSON report (`zira run --format json`) into the canonical JSON of counts that
bench/peers/validate_pandas.py prints, so the two can be compared byte for byte.

usage: zira_counts.py REPORT.json [--lists] [-o OUT.json]

Tables are found by their fixed ids (VariableChecks, IncompleteIdentifiers,
DuplicateIdentifiers, CaseChecks, VariableSummary, RuleSummary, CrossVariableRules,
CaseReport); the split group of each comes from its `split` field.
"""
import argparse
import json
import sys

CHECK_KINDS = {  # (group, start of the category label) -> canonical list name
    ("Categorical", "Cases Missing"): "cat_missing",
    ("Categorical", "Cases Constant"): "cat_constant",
    ("Categorical", "Categories Containing One Case"): "cat_onecase",
    ("Scale", "Cases Missing"): "scale_missing",
    ("Scale", "Standard Deviation"): "scale_sd",
    ("Scale", "Coefficient Of Variation"): "scale_cv",
}


def tables(items):
    for item in items:
        if item.get("kind") == "table":
            yield item
        elif item.get("kind") == "heading":
            yield from tables(item.get("items", []))


def split_key(split):
    return "; ".join(f"{s['variable']}={s['value']}" for s in split)


def cells_by_dimension(table):
    """Each cell as ({dimension title: path entry}, cell)."""
    titles = [d["title"] for d in table["dimensions"]]
    for cell in table["cells"]:
        yield dict(zip(titles, cell["path"])), cell


def row_categories(table, title):
    """The leaf categories of one dimension, in order."""
    dim = next(d for d in table["dimensions"] if d["title"] == title)
    out = []

    def walk(cats):
        for c in cats:
            if c["kind"] == "group":
                walk(c.get("children", []))
            else:
                out.append(c)

    walk(dim["categories"])
    return out


def case_entry(numbers, lists):
    entry = {"count": len(numbers), "case_sum": sum(numbers)}
    if lists:
        entry["cases"] = numbers
    return entry


def numbers_in(text):
    """The integers of a composite text such as "12, 1,234, 56" (thousands separators are
    not used by Zira's Count format, so a comma followed by a blank separates)."""
    text = text.replace("...", "")
    return [int(t.replace(",", "").strip()) for t in text.split(", ") if t.strip()]


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("report")
    p.add_argument("--lists", action="store_true")
    p.add_argument("-o", "--output")
    a = p.parse_args()
    with open(a.report, encoding="utf-8") as f:
        doc = json.load(f)
    splits = {}
    known = {"VariableChecks", "IncompleteIdentifiers", "DuplicateIdentifiers", "CaseChecks",
             "VariableSummary", "RuleSummary", "CrossVariableRules", "CaseReport"}
    for t in tables(doc["items"]):
        tid = t.get("id")
        if tid not in known:
            continue
        rep = splits.setdefault(split_key(t["split"]), {})
        if tid == "VariableChecks":
            lists = {}
            for path, cell in cells_by_dimension(t):
                entry = path["Contents"]
                kind = next((k for (g, start), k in CHECK_KINDS.items()
                             if entry[0] == g and entry[-1].startswith(start)), None)
                if kind and cell.get("text"):
                    lists[kind] = sorted(cell["text"].split("\n"))
            rep["variable_checks"] = lists
        elif tid == "IncompleteIdentifiers":
            cases = [int(c["value"]) for c in row_categories(t, "Case")]
            rep["incomplete_ids"] = case_entry(cases, a.lists)
        elif tid == "CaseChecks":
            cases = [int(cell["value"]) for path, cell in cells_by_dimension(t)
                     if path["Information"][-1] == "Case"]
            rep["empty_cases"] = case_entry(cases, a.lists)
        elif tid == "DuplicateIdentifiers":
            rows = {}
            for path, cell in cells_by_dimension(t):
                number = int(path["Duplicate Identifiers Group"][-1].replace(",", ""))
                row = rows.setdefault(number, [number, 0, []])
                what = path["Identifier"][-1]
                if what == "Number of Duplicates":
                    row[1] = int(cell["value"])
                elif what == "Cases with Duplicate Identifiers":
                    row[2] = numbers_in(cell["text"])
            rows = [rows[k] for k in sorted(rows)]
            entry = {"groups": len(rows), "cases": sum(r[1] for r in rows),
                     "number_sum": sum(r[0] for r in rows),
                     "number_x_first": sum(r[0] * r[2][0] for r in rows if r[2]),
                     "shown_case_sum": sum(sum(r[2]) for r in rows)}
            if a.lists:
                entry["rows"] = rows
            rep["duplicate_ids"] = entry
        elif tid == "VariableSummary":
            summary = {}
            for path, cell in cells_by_dimension(t):
                var, rule = path["Variable"][-1], path["Rule"][-1]
                summary.setdefault(var, {})[rule] = int(cell["value"])
            rep["var_summary"] = summary
        elif tid == "RuleSummary":
            summary = {}
            for path, cell in cells_by_dimension(t):
                var, rule = path["Variable"][-1], path["Rule"][-1]
                summary.setdefault(rule, {})[var] = int(cell["value"])
            rep["rule_summary"] = summary
        elif tid == "CrossVariableRules":
            rep["cross_rules"] = {path["Rule"][-1]: int(cell["value"])
                                  for path, cell in cells_by_dimension(t)
                                  if path["Summary"][-1] == "Number of Violations"}
        elif tid == "CaseReport":
            rows = {int(c["value"]): [int(c["value"]), [], []]
                    for c in row_categories(t, "Case")}
            for path, cell in cells_by_dimension(t):
                info = path["Information"]
                if info[:1] != ["Validation Rule Violations"]:
                    continue
                row = rows[int(path["Case"][-1].replace(",", ""))]
                lines = cell.get("text", "").split("\n") if cell.get("text") else []
                if info[-1] == "Single-Variable":
                    row[1] = lines
                elif info[-1] == "Cross-Variable":
                    row[2] = lines
            rows = [rows[k] for k in sorted(rows)]
            entry = {"rows": len(rows), "case_sum": sum(r[0] for r in rows),
                     "more_note": any(f["text"].startswith("More than")
                                      for f in t.get("footnotes", []))}
            if a.lists:
                entry["cases"] = rows
            rep["case_report"] = entry
    # A table left empty keeps its place: the same keys as the peer's.
    for rep in splits.values():
        for key in ("var_summary", "rule_summary", "cross_rules"):
            if key in rep or "case_report" in rep:
                rep.setdefault(key, {})
    result = {"splits": splits}
    text = json.dumps(result, indent=1, sort_keys=True) + "\n"
    if a.output:
        with open(a.output, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
