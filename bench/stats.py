"""The few statistics every benchmark table uses: medians that skip failed
runs, ratios of runs made side by side, and how a figure or a goal is
written in the report."""
import statistics


def med(values):
    """Median of the values that are there; None for a failed run is left out,
    and a list with none left gives None."""
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def paired(a, b):
    """Median of the ratios of runs made side by side: a[i] / b[i]."""
    return med([x / y for x, y in zip(a, b) if x and y])


def f(v, fmt="{:.2f}"):
    return fmt.format(v) if v is not None else "n/a"


def verdict(ok):
    return "met" if ok else "missed"
