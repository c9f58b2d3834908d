#!/usr/bin/python3
"""Reads a page in the Prometheus text format on standard input with the
reference parser (python3-prometheus-client) and prints its samples, one a
line, sorted: name{label=value,...} value. A page the parser refuses ends
with its error and a non-zero status."""
import sys

from prometheus_client.parser import text_string_to_metric_families

lines = []
for family in text_string_to_metric_families(sys.stdin.read()):
    for sample in family.samples:
        labels = ",".join(f"{name}={value}" for name, value in sorted(sample.labels.items()))
        value = int(sample.value) if sample.value == int(sample.value) else sample.value
        lines.append(f"{sample.name}{{{labels}}} {value}")
print("\n".join(sorted(lines)))
