// The sound test's widgets live in this folder.
