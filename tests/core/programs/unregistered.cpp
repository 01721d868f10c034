// A program without an application class.
