#!/usr/bin/env python3
"""Writes the first example dataset: survey.csv and its descriptor survey.schema.json.

A household survey of about 360 persons with the faults a validation run should find:
incomplete and duplicate identifiers (household id + person number), a few empty cases,
out-of-range ages, unlabelled and non-integer codes, unknown cities, employed children and
hours worked without a job. The validation rules are stored as dataset and variable
attributes, and the generator computes each rule's outcome variable (1 = the case breaks
the rule), so the procedure can be run on the file as it is.

Seeded: running it again gives the same files.  Python 3 standard library only.
    python3 examples/first/generate.py [OUTPUT_FOLDER]
"""
import csv
import datetime
import json
import os
import random
import sys

SEED = 20240611
REFUSED, DONT_KNOW = -9, -8
REGIONS = {1: "North", 2: "East", 3: "South", 4: "West"}
CITIES = {1: ["Groningen", "Assen"], 2: ["Utrecht", "Zwolle"], 3: ["Eindhoven", "Maastricht"],
          4: ["Amsterdam", "Rotterdam", "Den Haag"]}
KNOWN_CITIES = ["Amsterdam", "Rotterdam", "Utrecht", "Den Haag", "Groningen", "Eindhoven", "Assen",
                "Zwolle", "Maastricht"]
SATISFACTION = {1: "Very dissatisfied", 2: "Dissatisfied", 3: "Neutral", 4: "Satisfied",
                5: "Very satisfied"}

SRULES = [
    "Label='Age from 0 to 110',Type=Numeric,Domain=Range,FlagUserMissing=Yes,"
    "FlagSystemMissing=Yes,FlagBlank=No,Minimum=0,Maximum=110",
    "Label='Satisfaction code',Description='A code from 1 to 5',Type=Numeric,Domain=List,"
    "FlagUserMissing=Yes,FlagSystemMissing=Yes,FlagBlank=No,List=1 2 3 4 5,CaseSensitive=No",
    "Label='Labelled whole-number code',Type=Numeric,Domain=Range,FlagUserMissing=No,"
    "FlagSystemMissing=Yes,FlagBlank=No,FlagUnlabeled=Yes,FlagNoninteger=Yes",
    "Label='Known city',Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
    "FlagBlank=Yes,List=Amsterdam Rotterdam Utrecht 'Den Haag' Groningen Eindhoven Assen Zwolle "
    "Maastricht,"
    "CaseSensitive=No",
]
CRULES = [
    "Label='Employed child',Expression='age < 16 AND employed = 1',OutcomeVar=employed_child",
    "Label='Hours without a job',Expression='employed = 0 AND hours > 0',OutcomeVar=hours_no_job",
]


def ref(rule, outcome):
    return "Rule=$VD.SRule[%d],OutcomeVar=%s" % (rule, outcome)


def make_people(rng):
    """Households and their members, with faults mixed in."""
    people = []
    interview_start = datetime.date(2024, 3, 1)
    for hh in range(1, 151):
        hhid = 1000 + hh
        region = rng.choice(list(REGIONS))
        size = rng.choice([1, 1, 2, 2, 2, 3, 3, 4])
        interview = interview_start + datetime.timedelta(days=rng.randrange(0, 120))
        for person in range(1, size + 1):
            adult = person <= 2
            age = rng.randrange(18, 90) if adult else rng.randrange(0, 18)
            birth = interview - datetime.timedelta(days=int(age * 365.25) + rng.randrange(1, 360))
            employed = (1 if rng.random() < 0.6 else 0) if age >= 16 else 0
            hours = round(rng.choice([16, 20, 24, 32, 36, 38, 40, 45]) + rng.random(), 1) if employed else 0
            p = {
                "hhid": hhid, "persnr": person, "region": region,
                "interview_date": interview.isoformat(), "sex": rng.choice([1, 2]),
                "birthdate": birth.isoformat(), "age": age, "employed": employed,
                "hours": hours, "income": rng.randrange(800, 6000, 50) if employed else 0,
                "satisfaction": rng.randrange(1, 6), "city": rng.choice(CITIES[region]),
                "comment": "",
            }
            people.append(p)
    return people


def add_faults(rng, people):
    def pick():
        return rng.choice(people)
    for _ in range(6):  # refusals and unknown answers
        pick()["age"] = REFUSED
    for _ in range(3):
        pick()["age"] = DONT_KNOW
    pick()["age"] = 130  # out of range
    pick()["age"] = 117
    for _ in range(4):
        pick()["sex"] = REFUSED
    pick()["sex"] = 3  # unlabelled
    pick()["sex"] = 1.5  # not a whole number
    pick()["region"] = 7  # unlabelled region code, a split group of its own
    for _ in range(5):
        pick()["employed"] = REFUSED
    for _ in range(4):
        pick()["hours"] = REFUSED
    for _ in range(3):
        pick()["income"] = 99999  # in the missing-value range
    for _ in range(4):
        pick()["satisfaction"] = rng.choice([8, 9])
    for _ in range(3):
        pick()["satisfaction"] = rng.choice([6, 7])  # not in the list
    for _ in range(3):
        pick()["city"] = rng.choice(["Amsterdm", "Leeuwarden"])  # not in the list
    pick()["city"] = "amsterdam"  # the list is not case sensitive
    for _ in range(3):
        pick()["city"] = ""
    children = [p for p in people if isinstance(p["age"], int) and 0 <= p["age"] < 16]
    for p in rng.sample(children, 3):  # employed children
        p["employed"], p["hours"], p["income"] = 1, 12.5, 300
    adults = [p for p in people if p["employed"] == 0 and isinstance(p["age"], int) and p["age"] >= 16]
    for p in rng.sample(adults, 4):  # hours worked without a job
        p["hours"] = 8.0
    # An age that is a missing-value code never goes with employed = 1 (keeps the custom rule's
    # outcome the same whether or not missing codes count as values).
    for p in people:
        if p["age"] in (REFUSED, DONT_KNOW) and p["employed"] == 1:
            p["employed"] = 0
            p["hours"] = 0
    comments = ["Phoned back later", "Interview in English, partly", 'Said "no comment"',
                "Two addresses:\nhome and work"]
    for c in comments:
        pick()["comment"] = c
    # Identifier faults: incomplete ids and duplicates (same household and person number).
    for p in rng.sample(people, 3):
        p["persnr"] = ""
    rng.choice(people)["hhid"] = ""
    for p in rng.sample(people, 3):
        dup = dict(p)
        dup["comment"] = "Entered twice"
        people.append(dup)
    # Empty cases: identifiers and region only.
    for hhid in (1151, 1152, 1153):
        empty = {k: "" for k in people[0]}
        empty.update(hhid=hhid, persnr=1, region=rng.choice(list(REGIONS)))
        people.append(empty)


def valid(x):
    return x != "" and x not in (REFUSED, DONT_KNOW)


def outcomes(p):
    """Each rule's outcome: 1 when the case breaks it. Missing-value codes are user-missing."""
    age, sat, city = p["age"], p["satisfaction"], p["city"]
    emp, hours = p["employed"], p["hours"]
    out = {}
    out["age_range_bad"] = int(age == "" or age in (REFUSED, DONT_KNOW) or not 0 <= age <= 110)
    out["satis_list_bad"] = int(sat == "" or sat in (8, 9) or sat not in SATISFACTION)

    def code_bad(x, labelled):
        return int(x == "" or (x not in labelled) or x != int(x))
    out["sex_code_bad"] = code_bad(p["sex"], {1, 2, REFUSED})
    out["region_code_bad"] = code_bad(p["region"], set(REGIONS))
    out["employed_code_bad"] = code_bad(emp, {0, 1, REFUSED})
    out["city_list_bad"] = int(city == "" or city.lower() not in {c.lower() for c in KNOWN_CITIES})
    out["employed_child"] = int(valid(age) and valid(emp) and age < 16 and emp == 1)
    out["hours_no_job"] = int(valid(emp) and valid(hours) and emp == 0 and hours > 0)
    return out


def descriptor():
    refused = {"value": "-9", "label": "Refused"}
    yes = {"$VD.RuleOutcomeVar": ["Yes"]}

    def outcome_field(name, title):
        return {"name": name, "type": "integer", "title": title, "zira.format": "F1.0",
                "categories": [{"value": 0, "label": "Keeps the rule"},
                               {"value": 1, "label": "Breaks the rule"}],
                "zira.attributes": yes}
    fields = [
        {"name": "hhid", "type": "integer", "title": "Household identifier", "zira.format": "F4.0",
         "zira.level": "nominal"},
        {"name": "persnr", "type": "integer", "title": "Person number in the household",
         "zira.format": "F2.0", "zira.level": "nominal"},
        {"name": "region", "type": "integer", "title": "Region",
         "categories": [{"value": k, "label": v} for k, v in REGIONS.items()],
         "zira.format": "F1.0",
         "zira.attributes": {"$VD.SRuleRef": [ref(3, "region_code_bad")]}},
        {"name": "interview_date", "type": "date", "title": "Date of the interview"},
        {"name": "sex", "type": "number", "title": "Sex", "zira.format": "F3.1",
         "categories": [{"value": 1, "label": "Male"}, {"value": 2, "label": "Female"}],
         "missingValues": [refused],
         "zira.attributes": {"$VD.SRuleRef": [ref(3, "sex_code_bad")]}},
        {"name": "birthdate", "type": "date", "title": "Date of birth"},
        {"name": "age", "type": "integer", "title": "Age in years", "zira.format": "F3.0",
         "zira.level": "scale",
         "missingValues": [refused, {"value": "-8", "label": "Don't know"}],
         "zira.attributes": {"$VD.SRuleRef": [ref(1, "age_range_bad")]}},
        {"name": "employed", "type": "integer", "title": "In paid work",
         "categories": [{"value": 0, "label": "No"}, {"value": 1, "label": "Yes"}],
         "missingValues": [refused], "zira.format": "F2.0",
         # The first element is empty: element numbers stay as written.
         "zira.attributes": {"$VD.SRuleRef": ["", ref(3, "employed_code_bad")]}},
        {"name": "hours", "type": "number", "title": "Hours worked per week",
         "zira.format": "F5.1", "missingValues": [refused]},
        {"name": "income", "type": "integer", "title": "Net monthly income (euro)",
         "zira.format": "F6.0", "description": "Codes 99990 to 99999 mark unusable answers.",
         "missingValues": [refused], "zira.missingRange": {"low": 99990, "high": 99999}},
        {"name": "satisfaction", "type": "integer", "title": "Satisfaction with life",
         "categories": [{"value": k, "label": v} for k, v in SATISFACTION.items()] +
                       [{"value": 8, "label": "Don't know"}, {"value": 9, "label": "Refused"}],
         "categoriesOrdered": True, "missingValues": ["8", "9"], "zira.format": "F1.0",
         "zira.attributes": {"$VD.SRuleRef": [ref(2, "satis_list_bad")]}},
        {"name": "city", "type": "string", "title": "City of residence",
         "constraints": {"maxLength": 20},
         "zira.attributes": {"$VD.SRuleRef": [ref(4, "city_list_bad")]}},
        {"name": "comment", "type": "string", "title": "Interviewer's comment",
         "constraints": {"maxLength": 60}},
        outcome_field("age_range_bad", "Rule outcome: age from 0 to 110"),
        outcome_field("satis_list_bad", "Rule outcome: satisfaction code"),
        outcome_field("sex_code_bad", "Rule outcome: sex code"),
        outcome_field("region_code_bad", "Rule outcome: region code"),
        outcome_field("employed_code_bad", "Rule outcome: employment code"),
        outcome_field("city_list_bad", "Rule outcome: known city"),
        outcome_field("employed_child", "Rule outcome: employed child"),
        outcome_field("hours_no_job", "Rule outcome: hours without a job"),
    ]
    return {
        "$schema": "https://datapackage.org/profiles/2.0/tableschema.json",
        "fields": fields,
        "missingValues": [""],
        "zira.attributes": {"$VD.SRule": SRULES, "$VD.CRule": CRULES},
    }


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(SEED)
    people = make_people(rng)
    add_faults(rng, people)
    people.sort(key=lambda p: (p["region"], p["hhid"] if p["hhid"] != "" else 0,
                               p["persnr"] if p["persnr"] != "" else 0))
    schema = descriptor()
    names = [f["name"] for f in schema["fields"]]
    with open(os.path.join(out_dir, "survey.csv"), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(names)
        for p in people:
            row = dict(p)
            row.update(outcomes(p))
            w.writerow([row[n] for n in names])
    with open(os.path.join(out_dir, "survey.schema.json"), "w", encoding="utf-8") as f:
        json.dump(schema, f, indent=2, ensure_ascii=False)
        f.write("\n")
    print("wrote %d cases to %s" % (len(people), out_dir))


if __name__ == "__main__":
    main()
