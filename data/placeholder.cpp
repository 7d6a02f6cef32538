// Line files and field escaping.
