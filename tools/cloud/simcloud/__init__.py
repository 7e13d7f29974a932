"""The simulated cloud: an HTTPS stand-in for the camera cloud service."""
