#!/usr/bin/python3
"""The validation checks of `VALIDATEDATA` written as a careful pandas user would write them.

Reads a CSV file and its Table Schema descriptor, runs per split group: the variable checks
(missing share, largest category share, share of one-case categories, coefficient of
variation, standard deviation), incomplete identifiers, duplicate identifier groups (numbered
split group by split group, in the order of each group's first case), empty cases, the
standard rules referenced by the analysis variables and the custom rules of the descriptor,
and the case report; prints the canonical JSON of counts that bench/peers/zira_counts.py makes
from Zira's JSON report, so the two can be compared with `cmp`.

usage: validate_pandas.py DATA.csv --vars 'a01 TO a20' [--id 'hhid person'] [--split region]
                          [--caselimit 500] [--pctmissing 70] [--pctequal 95]
                          [--pctunequal 90] [--cv 0.001] [--stddev 0] [--lists] [-o OUT.json]
"""
import argparse
import json
import math
import re
import sys

import numpy as np
import pandas as pd

EPS = 2.220446049250313e-16
NUMERIC_TYPES = {"number", "integer", "year", "boolean", "date", "time", "datetime"}


# ----------------------------------------------------------------------------------------
# The descriptor


def load_schema(csv_path, schema_path):
    if schema_path is None:
        base = csv_path[:-4] if csv_path.endswith(".csv") else csv_path
        schema_path = base + ".schema.json"
    with open(schema_path, encoding="utf-8") as f:
        return json.load(f)


def is_number_text(t):
    try:
        float(t)
        return True
    except ValueError:
        return False


class Field:
    """One variable of the descriptor: its kind, labels and missing values."""

    def __init__(self, spec, schema_missing):
        self.name = spec["name"]
        self.type = spec.get("type", "string")
        self.numeric = self.type in NUMERIC_TYPES
        self.level = spec.get("zira.level")
        if self.level is None and spec.get("categoriesOrdered"):
            self.level = "ordinal"
        self.attributes = spec.get("zira.attributes", {})
        self.labels = {}
        for c in spec.get("categories", []):
            if isinstance(c, dict):
                if "label" in c:
                    self.labels[c["value"]] = c["label"]
        self.sys_markers = list(schema_missing)
        self.user_missing = []
        for m in spec.get("missingValues", []):
            text, label = (m["value"], m.get("label")) if isinstance(m, dict) else (m, None)
            if self.numeric and not is_number_text(text):
                self.sys_markers.append(text)
                continue
            value = float(text) if self.numeric else text
            self.user_missing.append(value)
            if label is not None:
                self.labels[value] = label
        rng = spec.get("zira.missingRange")
        self.missing_range = (rng.get("low", -math.inf), rng.get("high", math.inf)) if rng else None


def read_data(csv_path, schema):
    """The dataset as a DataFrame: numbers (dates as seconds since 1970) as float64 with NaN
    for system-missing, strings as categoricals with '' for blank."""
    schema_missing = schema.get("missingValues", [""])
    fields = [Field(f, schema_missing) for f in schema["fields"]]
    dtypes, na_values = {}, {}
    for f in fields:
        if f.type in ("number", "integer", "year"):
            dtypes[f.name] = "float64"
            na_values[f.name] = f.sys_markers
        elif f.numeric:  # dates, times and booleans are converted after reading
            dtypes[f.name] = "str"
            na_values[f.name] = f.sys_markers
        else:
            dtypes[f.name] = "category"
    df = pd.read_csv(csv_path, dtype=dtypes, keep_default_na=False, na_values=na_values,
                     engine="c")
    for f in fields:
        if f.type in ("date", "datetime"):
            fmt = "%Y-%m-%d" if f.type == "date" else None
            t = pd.to_datetime(df[f.name], format=fmt)
            df[f.name] = (t - pd.Timestamp("1970-01-01")) / pd.Timedelta(seconds=1)
        elif f.type == "time":
            df[f.name] = pd.to_timedelta(df[f.name]).dt.total_seconds()
        elif f.type == "boolean":
            df[f.name] = df[f.name].map({"true": 1.0, "false": 0.0, "1": 1.0, "0": 0.0})
    return df, {f.name: f for f in fields}


def var_list(spec, columns):
    """A variable list as in commands: names, `first TO last`, or ALL."""
    names = spec.replace(",", " ").split()
    lower = {c.lower(): c for c in columns}
    out, i = [], 0
    while i < len(names):
        if names[i].upper() == "ALL":
            out.extend(columns)
            i += 1
        elif i + 2 < len(names) and names[i + 1].upper() == "TO":
            a, b = columns.index(lower[names[i].lower()]), columns.index(lower[names[i + 2].lower()])
            out.extend(columns[a:b + 1])
            i += 3
        else:
            out.append(lower[names[i].lower()])
            i += 1
    return out


# ----------------------------------------------------------------------------------------
# Missing values and levels


def missing_mask(df, field):
    """Cases whose value is missing: system- or user-missing numbers, user-missing strings."""
    col = df[field.name]
    if field.numeric:
        m = col.isna()
        if field.user_missing:
            m |= col.isin(field.user_missing)
        if field.missing_range:
            m |= col.between(*field.missing_range)
        return m.to_numpy()
    if field.user_missing:
        return col.astype(object).str.rstrip(" ").isin(field.user_missing).to_numpy()
    return np.zeros(len(df), dtype=bool)


def missing_or_blank(df, field):
    """Missing numbers, and blank strings (string user-missing values do not count)."""
    if field.numeric:
        return missing_mask(df, field)
    col = df[field.name]
    cats = col.cat.categories
    blank_codes = np.flatnonzero(np.asarray([str(c).strip(" ") == "" for c in cats]))
    return np.isin(col.cat.codes.to_numpy(), blank_codes)


def is_categorical(df, field):
    if field.level is not None:
        return field.level in ("nominal", "ordinal")
    if not field.numeric or field.labels:
        return True
    valid = df[field.name][~missing_mask(df, field)]
    return valid.nunique() < 24


# ----------------------------------------------------------------------------------------
# Rules


def split_properties(text):
    """A rule text as (name, value) pairs: commas outside quotes separate, the first quote
    character of the text quotes values, a doubled quote stands for one."""
    q = next((c for c in text if c in "'\""), None)
    parts, cur, inside = [], [], False
    for c in text:
        if q is not None and c == q:
            inside = not inside
        if c == "," and not inside:
            parts.append("".join(cur))
            cur = []
        else:
            cur.append(c)
    parts.append("".join(cur))
    props = {}
    for p in parts:
        if p == "":
            continue
        name, _, value = p.partition("=")
        value = value.strip(" ")
        if q is not None and len(value) >= 2 and value[0] == q and value[-1] == q:
            value = value[1:-1].replace(q + q, q)
        props[name.strip(" ").lower()] = value
    return props


def list_items(text):
    items = re.findall(r"'((?:[^']|'')*)'|\"((?:[^\"]|\"\")*)\"|(\S+)", text)
    return [a or b or c for a, b, c in items if (a or b or c)]


def elements(attr):
    """Non-empty elements of an attribute array with their 1-based numbers."""
    return [(i + 1, t) for i, t in enumerate(attr or []) if t != ""]


def standard_rule_breaks(df, field, rule):
    col = df[field.name]
    yes = lambda k: rule.get(k, "no").lower() == "yes"
    if not field.numeric:
        raise SystemExit("validate_pandas: string standard rules are not supported")
    v = col.to_numpy(dtype=float)
    sysmis = np.isnan(v)
    user = missing_mask(df, field) & ~sysmis
    valid = ~(sysmis | user)
    if rule["domain"].lower() == "list":
        allowed = [float(x) for x in list_items(rule["list"])]
        bad = ~np.isin(v, allowed)
    else:
        lo = float(rule["minimum"]) if rule.get("minimum", "") != "" else -math.inf
        hi = float(rule["maximum"]) if rule.get("maximum", "") != "" else math.inf
        with np.errstate(invalid="ignore"):
            bad = (v < lo) | (v > hi)
            if yes("flagnoninteger"):
                bad |= v != np.floor(v)
        if yes("flagunlabeled"):
            bad |= ~np.isin(v, [float(k) for k in field.labels])
    out = valid & bad
    if yes("flagsystemmissing"):
        out |= sysmis
    if yes("flagusermissing"):
        out |= user
    return out


class Expr:
    """A numeric condition of variables and numbers with three-valued logic (NaN = unknown):
    + - * /, comparisons, NOT, AND, OR, parentheses."""

    TOKEN = re.compile(r"\s*(\d+\.?\d*(?:[eE][-+]?\d+)?|\.\d+(?:[eE][-+]?\d+)?|<=|>=|<>|~=|"
                       r"[-+*/()<>=~&|]|[A-Za-z@#$][\w.@#$]*)")

    def __init__(self, text, columns):
        self.toks, pos, text = [], 0, text.strip()
        while pos < len(text):
            m = self.TOKEN.match(text, pos)
            if not m:
                raise SystemExit(f"validate_pandas: cannot read expression {text!r}")
            self.toks.append(m.group(1))
            pos = m.end()
        self.i, self.columns = 0, columns

    def peek(self):
        return self.toks[self.i].upper() if self.i < len(self.toks) else None

    def take(self):
        self.i += 1
        return self.toks[self.i - 1]

    def parse(self, values):
        self.values = values
        r = self.or_()
        if self.peek() is not None:
            raise SystemExit("validate_pandas: unexpected " + self.peek())
        return r

    def or_(self):
        a = self.and_()
        while self.peek() in ("OR", "|"):
            self.take()
            b = self.and_()
            t = (a == 1) | (b == 1)
            a = np.where(t, 1.0, np.where(np.isnan(a) | np.isnan(b), np.nan, 0.0))
        return a

    def and_(self):
        a = self.not_()
        while self.peek() in ("AND", "&"):
            self.take()
            b = self.not_()
            f = (a == 0) | (b == 0)
            a = np.where(f, 0.0, np.where(np.isnan(a) | np.isnan(b), np.nan, 1.0))
        return a

    def not_(self):
        if self.peek() in ("NOT", "~"):
            self.take()
            a = self.not_()
            return np.where(np.isnan(a), np.nan, (a == 0).astype(float))
        return self.cmp()

    def cmp(self):
        a = self.add()
        ops = {"=": np.equal, "EQ": np.equal, "<>": np.not_equal, "~=": np.not_equal,
               "NE": np.not_equal, "<": np.less, "LT": np.less, "<=": np.less_equal,
               "LE": np.less_equal, ">": np.greater, "GT": np.greater,
               ">=": np.greater_equal, "GE": np.greater_equal}
        if self.peek() in ops:
            op = ops[self.take().upper()]
            b = self.add()
            r = op(a, b).astype(float)
            a = np.where(np.isnan(a) | np.isnan(b), np.nan, r)
        return a

    def add(self):
        a = self.mul()
        while self.peek() in ("+", "-"):
            a = a + self.mul() if self.take() == "+" else a - self.mul()
        return a

    def mul(self):
        a = self.unary()
        while self.peek() in ("*", "/"):
            if self.take() == "*":
                a = a * self.unary()
            else:
                b = self.unary()
                with np.errstate(divide="ignore", invalid="ignore"):
                    a = np.where(b == 0, np.nan, a / b)
        return a

    def unary(self):
        if self.peek() == "-":
            self.take()
            return -self.unary()
        t = self.take()
        if t == "(":
            r = self.or_()
            self.take()
            return r
        if t[0].isdigit() or t[0] == ".":
            return np.full(self.n, float(t))
        return self.values(t)


def custom_rule_breaks(df, fields, expression):
    lower = {c.lower(): c for c in df.columns}

    def values(name):
        field = fields[lower[name.lower()]]
        v = df[field.name].to_numpy(dtype=float).copy()
        v[missing_mask(df, field)] = np.nan
        return v

    e = Expr(expression, df.columns)
    e.n = len(df)
    return e.parse(values) == 1


# ----------------------------------------------------------------------------------------
# The checks


def split_runs(df, split_vars):
    """Split group number of every case (runs of equal split values) and each group's key."""
    n = len(df)
    if not split_vars:
        return np.zeros(n, dtype=np.int64), [[]]
    change = np.zeros(n, dtype=bool)
    if n:
        change[0] = True
    for s in split_vars:
        col = df[s]
        prev = col.shift()
        diff = (col != prev) & ~(col.isna() & prev.isna())
        change |= diff.to_numpy()
    gid = np.cumsum(change) - 1
    return gid, np.flatnonzero(change)


def shown_value(field, value):
    if isinstance(value, float) and math.isnan(value):
        return "."
    if field.numeric:
        text = str(int(value)) if float(value).is_integer() else repr(float(value))
    else:
        text = str(value)
    label = field.labels.get(value, field.labels.get(text))
    return f"{text} ({label})" if label is not None else text


def check_variables(df, fields, gid, ngroups, analysis, a):
    """The six lists of failing variables, per split group."""
    kinds = ["cat_missing", "cat_constant", "cat_onecase", "scale_missing", "scale_sd", "scale_cv"]
    out = [{k: [] for k in kinds} for _ in range(ngroups)]
    total = np.bincount(gid, minlength=ngroups).astype(float)
    pm, pe, pu = a.pctmissing / 100, a.pctequal / 100, a.pctunequal / 100
    for name in analysis:
        field = fields[name]
        miss = missing_mask(df, field)
        nmiss = np.bincount(gid, weights=miss, minlength=ngroups)
        valid = total - nmiss
        fail_missing = (pm < 1) & (total > 0) & (nmiss / np.maximum(total, 1) > pm)
        if is_categorical(df, field):
            if field.numeric:
                cat = np.trunc(df[name].to_numpy()[~miss]).astype(np.int64)
            else:
                cat = df[name].cat.codes.to_numpy()[~miss]
            counts = pd.DataFrame({"g": gid[~miss], "c": cat}).groupby(["g", "c"]).size()
            by_group = counts.groupby(level=0)
            ncat = by_group.size().reindex(range(ngroups), fill_value=0).to_numpy()
            top = by_group.max().reindex(range(ngroups), fill_value=0).to_numpy()
            ones = (counts == 1).groupby(level=0).sum().reindex(range(ngroups), fill_value=0)
            for g in range(ngroups):
                if fail_missing[g]:
                    out[g]["cat_missing"].append(name)
                if pe < 1 and ncat[g] > 0 and top[g] / valid[g] > pe:
                    out[g]["cat_constant"].append(name)
                share = ones.iloc[g] / ncat[g] if ncat[g] else 0.0
                if pu < 1 and valid[g] >= 1 and share > pu:
                    out[g]["cat_onecase"].append(name)
        else:
            v = df[name].to_numpy(dtype=float)
            frame = pd.DataFrame({"g": gid[~miss], "v": v[~miss]}).groupby("g")["v"]
            mean = frame.mean().reindex(range(ngroups)).to_numpy()
            var = frame.var(ddof=1).reindex(range(ngroups)).to_numpy()
            sd = np.sqrt(np.where(valid > 1, np.nan_to_num(var), 0.0))
            for g in range(ngroups):
                if fail_missing[g]:
                    out[g]["scale_missing"].append(name)
                if total[g] > 0 and nmiss[g] == total[g]:
                    continue
                d = a.stddev - sd[g]
                if a.stddev > 0 and d > 0 and d / a.stddev > EPS:
                    out[g]["scale_sd"].append(name)
                if a.cv > 0:
                    if sd[g] == 0:
                        out[g]["scale_cv"].append(name)
                    elif mean[g] != 0:
                        d = a.cv - abs(sd[g] / mean[g])
                        if d > 0 and d / a.cv > EPS:
                            out[g]["scale_cv"].append(name)
    return out


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("csv")
    p.add_argument("--schema")
    p.add_argument("--vars", required=True)
    p.add_argument("--id", default="")
    p.add_argument("--split", default="")
    p.add_argument("--caselimit", type=int, default=500, help="0: no limit")
    p.add_argument("--pctmissing", type=float, default=70)
    p.add_argument("--pctequal", type=float, default=95)
    p.add_argument("--pctunequal", type=float, default=90)
    p.add_argument("--cv", type=float, default=0.001)
    p.add_argument("--stddev", type=float, default=0)
    p.add_argument("--lists", action="store_true", help="list case numbers, not only sums")
    p.add_argument("-o", "--output")
    a = p.parse_args()

    schema = load_schema(a.csv, a.schema)
    df, fields = read_data(a.csv, schema)
    columns = list(df.columns)
    split_vars = var_list(a.split, columns)
    ids = var_list(a.id, columns)
    outcome_vars = {n for n, f in fields.items()
                    if str((f.attributes.get("$VD.RuleOutcomeVar") or [""])[0]).lower() == "yes"}
    analysis = [v for v in var_list(a.vars, columns) if v not in outcome_vars and v not in ids]
    n = len(df)
    case_no = np.arange(1, n + 1, dtype=np.int64)
    gid, starts = split_runs(df, split_vars)
    ngroups = len(starts) if split_vars else (1 if n else 0)
    keys = []
    for g in range(ngroups):
        parts = [f"{s}={shown_value(fields[s], df[s].iat[starts[g]])}" for s in split_vars]
        keys.append("; ".join(parts))

    report = [dict() for _ in range(ngroups)]

    # Variable checks
    for g, lists in enumerate(check_variables(df, fields, gid, ngroups, analysis, a)):
        report[g]["variable_checks"] = {k: sorted(v) for k, v in lists.items() if v}

    def case_list(mask, name):
        for g in range(ngroups):
            sel = case_no[mask & (gid == g)]
            entry = {"count": int(sel.size), "case_sum": int(sel.sum())}
            if a.lists:
                entry["cases"] = sel.tolist()
            report[g][name] = entry

    # Identifiers: incomplete ones and duplicate groups
    if ids:
        incomplete = np.zeros(n, dtype=bool)
        for i in ids:
            incomplete |= missing_or_blank(df, fields[i])
        case_list(incomplete, "incomplete_ids")
        key = pd.DataFrame({"g": gid})
        for i in ids:
            key[i] = df[i].astype(object).str.rstrip(" ") if not fields[i].numeric else df[i]
        key = key[~incomplete]
        key["case"] = case_no[~incomplete]
        dup = key[key.duplicated(["g"] + ids, keep=False)]
        groups = dup.groupby(["g"] + ids, sort=False)["case"].agg(["min", "size", list])
        groups = groups.sort_values("min")
        groups["number"] = np.arange(1, len(groups) + 1)
        groups["g"] = groups.index.get_level_values(0)
        for g in range(ngroups):
            sel = groups[groups["g"] == g]
            entry = {"groups": int(len(sel)), "cases": int(sel["size"].sum()),
                     "number_sum": int(sel["number"].sum()),
                     "number_x_first": int((sel["number"] * sel["min"]).sum()),
                     "shown_case_sum": int(sum(sum(c[:25]) for c in sel["list"]))}
            if a.lists:
                entry["rows"] = [[int(r.number), int(r.size), [int(c) for c in r.list[:25]]]
                                 for r in sel.itertuples()]
            report[g]["duplicate_ids"] = entry

    # Empty cases
    if analysis:
        empty = np.ones(n, dtype=bool)
        for v in analysis:
            empty &= missing_or_blank(df, fields[v])
        case_list(empty, "empty_cases")

    # Rules
    dataset_attr = schema.get("zira.attributes", {})
    srules = {k: split_properties(t) for k, t in elements(dataset_attr.get("$VD.SRule"))}
    crules = [(k, split_properties(t)) for k, t in elements(dataset_attr.get("$VD.CRule"))]
    refs = []  # (variable, rule number, rule, breaks)
    for v in analysis:
        for _, text in elements(fields[v].attributes.get("$VD.SRuleRef")):
            r = split_properties(text)
            number = int(re.fullmatch(r"\$VD\.SRule\[(\d+)\]", r["rule"], re.I).group(1))
            refs.append((v, number, srules[number],
                         standard_rule_breaks(df, fields[v], srules[number])))
    custom = [(k, r, custom_rule_breaks(df, fields, r["expression"])) for k, r in crules]
    if refs or custom:
        violations = np.zeros(n, dtype=np.int64)
        for *_, breaks in refs:
            violations += breaks
        for *_, breaks in custom:
            violations += breaks
        # Range rules first, then List rules, each by rule number
        order = sorted({(srules[k]["domain"].lower() == "list", k) for _, k, _, _ in refs})
        for g in range(ngroups):
            in_g = gid == g
            var_summary, rule_summary = {}, {}
            for v, k, r, breaks in refs:
                c = int(np.count_nonzero(breaks & in_g))
                if c:
                    var_summary.setdefault(v, {})[r["label"]] = c
                    rule_summary.setdefault(r["label"], {})[v] = c
            for v in var_summary:
                var_summary[v]["Total"] = sum(var_summary[v].values())
            for r in rule_summary:
                rule_summary[r]["Total"] = sum(rule_summary[r].values())
            report[g]["var_summary"] = var_summary
            report[g]["rule_summary"] = rule_summary
            report[g]["cross_rules"] = {r["label"]: int(np.count_nonzero(b & in_g))
                                        for _, r, b in custom if np.any(b & in_g)}
            offered = case_no[in_g & (violations >= 1)]
            shown = offered[:a.caselimit] if a.caselimit > 0 else offered
            rows = []
            for c in shown.tolist():
                std = []
                for _, k in order:
                    cnt = sum(int(b[c - 1]) for _, kk, _, b in refs if kk == k)
                    if cnt:
                        std.append(f"{srules[k]['label']} ({cnt})")
                cust = [r["label"] for _, r, b in custom if b[c - 1]]
                rows.append([c, std, cust])
            report[g]["case_report"] = {
                "rows": len(rows), "case_sum": int(shown.sum()),
                "more_note": bool(a.caselimit > 0 and offered.size > a.caselimit)}
            if a.lists:
                report[g]["case_report"]["cases"] = rows

    result = {"splits": {keys[g]: report[g] for g in range(ngroups)}}
    text = json.dumps(result, indent=1, sort_keys=True) + "\n"
    if a.output:
        with open(a.output, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
