// Placeholder: the run phase is written with the front end.
