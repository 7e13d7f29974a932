"""The simulated world for the demo and the journey test: rendezvous server,
cloud and cameras started together (see ../world.py)."""
