"""One request's verdict: the problems found in it, who sent it, and whether
they refuse it (strict) or are only noted in the log (lenient)."""


class Exchange:
    def __init__(self, lenient):
        self.lenient = lenient
        self.problems = []   # (HTTP status, text), in the order found
        self.session = None  # the signed-in session of a signed call
        self.gateway = None  # the gateway number of a fetch-infos call

    def problem(self, text, status=400):
        self.problems.append((status, text))

    def extend(self, texts, status=400):
        for text in texts:
            self.problem(text, status)

    @property
    def refused(self):
        return bool(self.problems) and not self.lenient

    @property
    def status(self):
        return self.problems[0][0] if self.problems else 200

    def reasons(self):
        return [text for _, text in self.problems]
